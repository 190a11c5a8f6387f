#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "net/web_request.h"
#include "tests/support/recording_server.h"
#include "tests/support/scoped_env.h"

namespace net {
namespace {

using testing_support::RecordingServer;
using testing_support::ScopedEnv;

std::string as_string(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

// A stand-in proxy: answers every request itself, naming the target it was asked for.
RecordingServer::Reply proxy_reply() {
  return [](const httplib::Request& req, httplib::Response& res) {
    res.set_content("via proxy: " + req.target, "text/plain");
  };
}

std::string proxy_address(const RecordingServer& proxy) {
  return "127.0.0.1:" + std::to_string(proxy.port());
}

struct CredentialCase {
  Text user{};
  Text password{};
  std::optional<int> proxy_auth{};
  std::string header{};  // expected Proxy-Authorization; empty: none
  const char* proves = "";
};

TEST(WebRequestProxy, NamedProxyGetsTheAbsoluteTargetAndBasicCredentials) {
  RecordingServer proxy(proxy_reply());
  proxy.start();
  const std::string target = "http://video.parse-service.example/p?q=1";
  const std::vector<CredentialCase> cases = {
      {"u", "p", std::nullopt, "Basic dTpw", "proxy_auth left out means Basic credentials"},
      {"user", "pa:ss", 1, "Basic dXNlcjpwYTpzcw==", "user and password are joined by one colon"},
      {"\xD6\xD0", "p", 1, "Basic 1tA6cA==", "the GBK bytes of the user name are encoded"},  // 中
      {"u", "p", 0, "", "proxy_auth 0 sends none"},
      {"u", "p", 2, "", "any value but 1 sends none"},
      {"", "p", 1, "", "an empty user name sends none, whatever the password"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.proves);
    WebRequest request{
        .url = target, .proxy = proxy_address(proxy), .proxy_user = c.user, .proxy_password = c.password};
    if (c.proxy_auth) request.proxy_auth = *c.proxy_auth;
    const Bytes body = web_request(request);
    EXPECT_EQ(as_string(body), "via proxy: " + target);
    const auto seen = proxy.last();
    EXPECT_EQ(seen.target, target);
    EXPECT_EQ(seen.header("Host"), "video.parse-service.example");
    EXPECT_EQ(seen.header("Proxy-Authorization"), c.header);
    EXPECT_EQ(seen.header_count("Proxy-Authorization"), c.header.empty() ? 0u : 1u);
  }
  EXPECT_EQ(proxy.requests().size(), cases.size());
}

TEST(WebRequestProxy, WithoutAProxyTheCredentialsAreNotLookedAt) {
  RecordingServer server;
  server.start();
  web_request({.url = server.url("/direct"), .proxy_user = "u", .proxy_password = "p"});
  const auto seen = server.last();
  EXPECT_EQ(seen.target, "/direct");
  EXPECT_EQ(seen.header_count("Proxy-Authorization"), 0u);
}

TEST(WebRequestProxy, EnvironmentProxyRoutesWhenNoneIsNamed) {
  RecordingServer proxy(proxy_reply());
  proxy.start();
  const ScopedEnv http_proxy("http_proxy", "http://" + proxy_address(proxy));
  const ScopedEnv no_proxy("no_proxy", "");

  int status = 0;
  const Bytes body = web_request(
      {.url = "http://api.parse-service.example/x", .method = 1, .body = "a=1", .out_status = &status});
  EXPECT_EQ(status, 200);
  EXPECT_EQ(as_string(body), "via proxy: http://api.parse-service.example/x");
  const auto seen = proxy.last();
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.target, "http://api.parse-service.example/x");
  EXPECT_EQ(seen.body, "a=1");
}

TEST(WebRequestProxy, NamedProxyWinsOverTheEnvironmentAndNoProxyIsHonoured) {
  RecordingServer from_environment(proxy_reply());
  from_environment.start();
  RecordingServer named(proxy_reply());
  named.start();
  RecordingServer direct;
  direct.start();
  const ScopedEnv http_proxy("http_proxy", "http://" + proxy_address(from_environment));

  web_request({.url = "http://cover.parse-service.example/c.jpg", .proxy = proxy_address(named)});
  EXPECT_EQ(named.requests().size(), 1u);
  EXPECT_TRUE(from_environment.requests().empty());

  // Hosts listed in no_proxy are reached directly.
  const ScopedEnv no_proxy("no_proxy", "127.0.0.1");
  const Bytes body = web_request({.url = direct.url("/near")});
  EXPECT_EQ(as_string(body), "ok");
  EXPECT_EQ(direct.last().target, "/near");
  EXPECT_TRUE(from_environment.requests().empty());
}

}  // namespace
}  // namespace net
