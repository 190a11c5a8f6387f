#include "app/update_check.h"

#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "resolve/hosts.h"
#include "tests/support/fake_window.h"
#include "tests/support/network_faults.h"
#include "tests/support/proxy_env.h"
#include "tools/standin/standin_server.h"

namespace app {
namespace {

using resolve::Answer;
using resolve::Buttons;

const std::string kPublisher(resolve::hosts::kPublisherHost);
constexpr const char* kRelease = "http://www.publisher.example/ruanjian/vidparse-2.2.zip";

// 软件当前版本：2.1\r\n最新版本：<latest>\r\n点击确定下载最新版本
net::Text offer_for(const std::string& latest) {
  return "\xC8\xED\xBC\xFE\xB5\xB1\xC7\xB0\xB0\xE6\xB1\xBE\xA3\xBA"
         "2.1\r\n\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE\xA3\xBA" +
         latest + "\r\n\xB5\xE3\xBB\xF7\xC8\xB7\xB6\xA8\xCF\xC2\xD4\xD8\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE";
}

class UpdateCheckTest : public ::testing::Test {
 protected:
  UpdateCheckTest() {
    service.start();
    proxy.emplace(service.proxy_url());
    service.set_publisher_file(standin::kDownloadAddressPath, kRelease);
  }
  ~UpdateCheckTest() override {
    proxy.reset();
    service.stop();
  }

  void check() {
    check_for_update(window,
                     {.open_address = [this](const net::Text& address) { opened.push_back(address); }});
  }

  standin::StandinServer service;
  std::optional<testing_support::ProxyEnv> proxy;
  testing_support::FakeWindow window;
  std::vector<net::Text> opened;
};

TEST_F(UpdateCheckTest, TheSameVersionLetsTheProgramRun) {
  service.set_publisher_file(standin::kVersionPath, "2.1");
  check();
  EXPECT_TRUE(window.messages.empty());
  EXPECT_EQ(window.close_requests, 0);
  EXPECT_TRUE(opened.empty());
  EXPECT_EQ(service.requests_to(kPublisher).size(), 1u) << "the address file is not fetched";
}

TEST_F(UpdateCheckTest, AnotherVersionIsOfferedAndEitherButtonCloses) {
  struct Case {
    const char* what_it_proves;
    std::string published;
    Answer answer;
    std::vector<net::Text> opened;
  };
  const Case cases[] = {
      {"OK opens the release's address", "2.2", Answer::ok, {kRelease}},
      {"Cancel opens nothing", "2.2", Answer::cancel, {}},
      {"a line break after 2.1 is another version", "2.1\r\n", Answer::cancel, {}},
      {"so is a space", "2.1 ", Answer::ok, {kRelease}},
      {"an older version too", "2.0", Answer::ok, {kRelease}},
  };
  for (const auto& c : cases) {
    window = {};
    opened.clear();
    service.set_publisher_file(standin::kVersionPath, c.published);
    window.answers = {c.answer};
    check();
    ASSERT_EQ(window.messages.size(), 1u) << c.what_it_proves;
    EXPECT_EQ(window.messages[0].text, offer_for(c.published)) << c.what_it_proves;
    EXPECT_EQ(window.messages[0].buttons, Buttons::ok_cancel) << c.what_it_proves;
    EXPECT_EQ(opened, c.opened) << c.what_it_proves;
    EXPECT_EQ(window.close_requests, 1) << c.what_it_proves;
  }
}

TEST_F(UpdateCheckTest, NoVersionFileMeansNoOfferAndTheWindowStays) {
  struct Case {
    const char* what_it_proves;
    std::optional<standin::Fault> fault;
    std::string published;
    bool unreachable;
  };
  const Case cases[] = {
      {"status 404", standin::Fault{.status = 404}, "2.1", false},
      {"status 500", standin::Fault{.status = 500}, "2.1", false},
      {"an empty body", std::nullopt, "", false},
      {"the body cut short", standin::Fault{.cut_after = 1}, "9.9.9", false},
      {"the publisher unreachable", std::nullopt, "2.2", true},
  };
  for (const auto& c : cases) {
    window = {};
    service.clear_faults();
    if (c.fault) service.set_fault("http://" + kPublisher + std::string(standin::kVersionPath), *c.fault);
    service.set_publisher_file(standin::kVersionPath, c.published);
    std::optional<testing_support::ProxyEnv> nowhere;
    if (c.unreachable) nowhere.emplace("http://127.0.0.1:" + std::to_string(testing_support::closed_port()));
    check();
    EXPECT_TRUE(window.messages.empty()) << c.what_it_proves;
    EXPECT_EQ(window.close_requests, 0) << c.what_it_proves;
    EXPECT_TRUE(opened.empty()) << c.what_it_proves;
  }
}

TEST_F(UpdateCheckTest, AnAddressFileThatCannotBeFetchedOpensNothingButStillCloses) {
  service.set_publisher_file(standin::kVersionPath, "2.2");
  service.set_fault("http://" + kPublisher + std::string(standin::kDownloadAddressPath), {.status = 404});
  check();
  EXPECT_EQ(window.messages.size(), 1u);
  EXPECT_TRUE(opened.empty()) << "an error page is no address";
  EXPECT_EQ(window.close_requests, 1);
}

TEST_F(UpdateCheckTest, BothFilesComeByAPlainHttp10GetWithOnlyAccept) {
  service.set_publisher_file(standin::kVersionPath, "2.2");
  window.answers = {Answer::ok};
  check();
  const auto requests = service.requests_to(kPublisher);
  ASSERT_EQ(requests.size(), 2u);
  const char* paths[] = {"/ruanjian/sp/banben.txt", "/ruanjian/xzdz.txt"};
  for (std::size_t i = 0; i < 2; ++i) {
    const auto& request = requests[i];
    EXPECT_EQ(request.method, "GET");
    EXPECT_EQ(request.path, paths[i]);
    EXPECT_EQ(request.version, "HTTP/1.0");
    EXPECT_EQ(request.header("Accept"), "*/*");
    std::vector<std::string> names;
    for (const auto& line : request.header_lines) {
      // The stand-in is the proxy here: what is meant for the proxy alone is not the request's.
      const std::string name = line.substr(0, line.find(':'));
      if (name != "Proxy-Connection") names.push_back(name);
    }
    // Host is how the request names its server; nothing else goes with it.
    EXPECT_EQ(names, (std::vector<std::string>{"Host", "Accept"}))
        << ::testing::PrintToString(request.header_lines);
    EXPECT_TRUE(request.body.empty());
  }
  EXPECT_GT(window.events_processed, 0) << "the window keeps painting while the publisher answers";
}

}  // namespace
}  // namespace app
