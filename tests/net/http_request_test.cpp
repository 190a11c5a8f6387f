#include "net/http_request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "tests/support/raw_server.h"
#include "tests/support/recording_server.h"
#include "tests/support/scoped_env.h"

namespace net {
namespace {

using testing_support::raw_body;
using testing_support::raw_header_lines;
using testing_support::RawServer;
using testing_support::RecordingServer;
using testing_support::ScopedEnv;

std::string as_string(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

std::vector<std::string> sorted(std::vector<std::string> lines) {
  std::sort(lines.begin(), lines.end());
  return lines;
}

std::string host_line(const RawServer& server) {
  return "Host: 127.0.0.1:" + std::to_string(server.port());
}

TEST(HttpRequest, OnlyTheHeadersSetGoOutAndASecondSettingReplacesTheFirst) {
  RawServer server;
  auto request = HttpRequest::Create();
  ASSERT_TRUE(request);
  ASSERT_TRUE(request->Open("POST", server.url("/h")));
  EXPECT_TRUE(request->SetRequestHeader("X-One", "1"));
  EXPECT_TRUE(request->SetRequestHeader("x-one", "2"));
  EXPECT_FALSE(request->SetRequestHeader("", "empty name"));
  EXPECT_FALSE(request->SetRequestHeader("Bad Name", "v"));
  EXPECT_FALSE(request->SetRequestHeader("X-Split", "a\r\nInjected: 1"));
  EXPECT_FALSE(request->SetRequestHeader("content-length", "245"));
  EXPECT_FALSE(request->SetRequestHeader("Expect", "100-continue"));
  EXPECT_FALSE(request->SetRequestHeader("Transfer-Encoding", "chunked"));
  ASSERT_TRUE(request->Send("body"));
  EXPECT_EQ(request->Status(), 200);

  ASSERT_EQ(server.requests().size(), 1u);
  const std::string raw = server.requests()[0];
  // No Accept, form Content-Type, User-Agent or Expect of libcurl's own.
  EXPECT_EQ(sorted(raw_header_lines(raw)), sorted({host_line(server), "X-One: 2", "Content-Length: 4"}));
  EXPECT_EQ(raw_body(raw), "body");
}

struct BodyCase {
  std::string method{};
  std::string body{};
  std::string length_line{};  // empty: no Content-Length at all
  const char* proves = "";
};

TEST(HttpRequest, EachMethodSendsItsBodyWhole) {
  RawServer server;
  auto request = HttpRequest::Create();
  ASSERT_TRUE(request);
  const std::vector<BodyCase> cases = {
      {"GET", "", "", "a plain GET carries no body"},
      {"POST", "", "Content-Length: 0", "an empty POST says so"},
      {"PUT", "", "Content-Length: 0", "an empty PUT says so"},
      {"PUT", "put-body", "Content-Length: 8", "PUT sends its body"},
      {"DELETE", "d", "Content-Length: 1", "any method but HEAD sends a body it is given"},
      {"OPTIONS", "", "", "OPTIONS without a body has none"},
      {"HEAD", "ignored", "", "HEAD never sends a body"},
  };
  for (std::size_t i = 0; i < cases.size(); ++i) {
    const auto& c = cases[i];
    SCOPED_TRACE(c.proves);
    ASSERT_TRUE(request->Open(c.method, server.url("/b")));
    const Bytes body(c.body.begin(), c.body.end());
    EXPECT_TRUE(request->Send(body));
    ASSERT_EQ(server.requests().size(), i + 1);
    const std::string raw = server.requests()[i];
    EXPECT_TRUE(raw.starts_with(c.method + " /b HTTP/1.1\r\n"));
    const auto lines = raw_header_lines(raw);
    const auto length = std::find_if(lines.begin(), lines.end(), [](const std::string& line) {
      return line.starts_with("Content-Length");
    });
    EXPECT_EQ(length == lines.end() ? "" : *length, c.length_line);
    EXPECT_EQ(raw_body(raw), c.length_line.empty() ? "" : c.body);
  }
}

TEST(HttpRequest, UnknownMethodsAndOtherSchemesAreRefused) {
  RecordingServer server(
      [](const httplib::Request&, httplib::Response& res) { res.set_redirect("file:///etc/hostname", 302); });
  server.start();
  auto request = HttpRequest::Create();
  ASSERT_TRUE(request);
  EXPECT_FALSE(request->Open("PATCH", server.url("/")));
  EXPECT_FALSE(request->Send());
  EXPECT_FALSE(request->Open("GET", ""));

  EXPECT_TRUE(request->Open("GET", "file:///etc/hostname"));
  EXPECT_FALSE(request->Send());
  EXPECT_TRUE(request->ResponseBody().empty());

  // Not by a redirect either.
  ASSERT_TRUE(request->Open("GET", server.url("/to-file")));
  EXPECT_FALSE(request->Send());
  EXPECT_TRUE(request->ResponseBody().empty());
  EXPECT_EQ(request->Status(), 0);
}

TEST(HttpRequest, ResponseHeadersAreTheFinalResponsesLinesWithoutTheStatusLine) {
  // X-T holds 中 in UTF-8, X-G the GBK bytes of 中, which are not UTF-8.
  RawServer server(
      "HTTP/1.1 200 OK\r\nX-A: 1\r\nset-cookie: k=v; path=/\r\nX-T: \xE4\xB8\xAD\r\nContent-Length: 2\r\n"
      "Connection: close\r\n\r\nok");
  auto request = HttpRequest::Create();
  ASSERT_TRUE(request);
  ASSERT_TRUE(request->Open("GET", server.url("/")));
  ASSERT_TRUE(request->Send());
  EXPECT_EQ(request->GetallResponseHeaders(),
            "X-A: 1\r\nset-cookie: k=v; path=/\r\nX-T: \xD6\xD0\r\nContent-Length: 2\r\nConnection: close");
  EXPECT_EQ(as_string(request->ResponseBody()), "ok");

  RawServer gbk("HTTP/1.1 200 OK\r\nX-G: \xD6\xD0\r\nContent-Length: 0\r\nConnection: close\r\n\r\n");
  ASSERT_TRUE(request->Open("GET", gbk.url("/")));
  ASSERT_TRUE(request->Send());
  EXPECT_EQ(request->GetallResponseHeaders(), "X-G: \xD6\xD0\r\nContent-Length: 0\r\nConnection: close");
}

TEST(HttpRequest, HeadReadsNoBodyAndIsComplete) {
  RawServer server("HTTP/1.1 200 OK\r\nContent-Length: 5\r\nConnection: close\r\n\r\n");
  auto request = HttpRequest::Create();
  ASSERT_TRUE(request);
  ASSERT_TRUE(request->Open("HEAD", server.url("/")));
  ASSERT_TRUE(request->Send());
  EXPECT_EQ(request->Status(), 200);
  EXPECT_TRUE(request->ResponseBody().empty());
  EXPECT_TRUE(request->Complete());
}

TEST(HttpRequest, AnEndlessChainOfRedirectsFails) {
  RecordingServer server(
      [](const httplib::Request&, httplib::Response& res) { res.set_redirect("/loop", 302); });
  server.start();
  auto request = HttpRequest::Create();
  ASSERT_TRUE(request);
  ASSERT_TRUE(request->Open("GET", server.url("/loop")));
  EXPECT_FALSE(request->Send());
  EXPECT_EQ(request->Status(), 0);
  EXPECT_EQ(server.requests().size(), static_cast<std::size_t>(kMaxRedirects + 1));
}

TEST(HttpRequest, OpenStartsAFreshRequest) {
  RecordingServer server([](const httplib::Request& req, httplib::Response& res) {
    if (req.path == "/from") {
      res.set_redirect("/to", 302);
    } else {
      res.set_content("arrived", "text/plain");
    }
  });
  server.start();
  auto request = HttpRequest::Create();
  ASSERT_TRUE(request);
  ASSERT_TRUE(request->Open("GET", server.url("/from")));
  request->SetRequestHeader("X-Old", "1");
  request->Option(kOptionFollowRedirects, 0);
  ASSERT_TRUE(request->Send());
  EXPECT_EQ(request->Status(), 302);
  EXPECT_EQ(server.last().header("X-Old"), "1");

  ASSERT_TRUE(request->Open("GET", server.url("/from")));
  ASSERT_TRUE(request->Send());
  EXPECT_EQ(request->Status(), 200);
  EXPECT_EQ(as_string(request->ResponseBody()), "arrived");
  EXPECT_EQ(server.last().header_count("X-Old"), 0u);
}

TEST(HttpRequest, ProxySettingsAndWhereProxyCredentialsGo) {
  RecordingServer proxy(
      [](const httplib::Request&, httplib::Response& res) { res.set_content("proxied", "text/plain"); });
  proxy.start();
  RecordingServer server;
  server.start();
  const ScopedEnv http_proxy("http_proxy", "http://127.0.0.1:" + std::to_string(proxy.port()));
  const ScopedEnv no_proxy("no_proxy");

  auto request = HttpRequest::Create();
  ASSERT_TRUE(request);
  request->SetProxy(1);  // no proxy, whatever the environment says
  ASSERT_TRUE(request->Open("GET", server.url("/direct")));
  request->SetRequestHeader("Proxy-Authorization", "Basic dTpw");
  ASSERT_TRUE(request->Send());
  EXPECT_EQ(as_string(request->ResponseBody()), "ok");
  EXPECT_EQ(server.last().target, "/direct");
  EXPECT_EQ(server.last().header_count("Proxy-Authorization"), 0u)
      << "credentials for a proxy never go to a server";

  request->SetProxy(0);  // back to the environment
  ASSERT_TRUE(request->Open("GET", server.url("/via")));
  request->SetRequestHeader("Proxy-Authorization", "Basic dTpw");
  ASSERT_TRUE(request->Send());
  EXPECT_EQ(as_string(request->ResponseBody()), "proxied");
  EXPECT_EQ(proxy.last().target, server.url("/via"));
  EXPECT_EQ(proxy.last().header("Proxy-Authorization"), "Basic dTpw");
}

}  // namespace
}  // namespace net
