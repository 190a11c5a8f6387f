// The publisher's server failing or misbehaving during the start-up check: whatever goes wrong
// with the version file, no offer is made and the window stays; whatever the version file
// holds, the offer shows it as it is; a download-address file that does not come opens nothing.

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "app/update_check.h"
#include "resolve/hosts.h"
#include "tests/support/fake_window.h"
#include "tests/support/network_faults.h"
#include "tests/support/proxy_env.h"
#include "tools/standin/standin_server.h"

namespace app {
namespace {

using namespace std::chrono_literals;
using resolve::Answer;

const std::string kPublisher(resolve::hosts::kPublisherHost);
const std::string kVersionFile = "http://" + kPublisher + std::string(standin::kVersionPath);
const std::string kAddressFile = "http://" + kPublisher + std::string(standin::kDownloadAddressPath);

// 软件当前版本：2.1\r\n最新版本：<latest>\r\n点击确定下载最新版本
net::Text offer_for(const std::string& latest) {
  return "\xC8\xED\xBC\xFE\xB5\xB1\xC7\xB0\xB0\xE6\xB1\xBE\xA3\xBA"
         "2.1\r\n\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE\xA3\xBA" +
         latest + "\r\n\xB5\xE3\xBB\xF7\xC8\xB7\xB6\xA8\xCF\xC2\xD4\xD8\xD7\xEE\xD0\xC2\xB0\xE6\xB1\xBE";
}

// One check: its window and what it asked the browser to open.
struct Check {
  testing_support::FakeWindow window{};
  std::vector<net::Text> opened{};
  double seconds = 0;

  void run() {
    const auto began = std::chrono::steady_clock::now();
    check_for_update(window,
                     {.open_address = [this](const net::Text& address) { opened.push_back(address); }});
    seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
  }
};

class UpdateFaultTest : public ::testing::Test {
 protected:
  UpdateFaultTest() {
    service.start();
    proxy.emplace(service.proxy_url());
  }
  ~UpdateFaultTest() override {
    proxy.reset();
    service.stop();
  }

  standin::StandinServer service;
  std::optional<testing_support::ProxyEnv> proxy;
};

TEST_F(UpdateFaultTest, AVersionFileThatDoesNotComeIsNoOffer) {
  struct Case {
    const char* what_it_proves;
    std::optional<std::string> route{};  // where the publisher's name is routed instead
    std::optional<standin::Fault> fault{};
  };
  testing_support::RedirectLoop loop;
  const Case cases[] = {
      {"a name that does not resolve", "http://" + testing_support::unresolvable_host() + ":3128"},
      {"a redirect loop", loop.proxy_url()},
      {"a redirect with no place to go", {}, standin::Fault{.status = 302}},
      {"204: no content", {}, standin::Fault{.status = 204}},
      {"a reply the gateway refuses", {}, standin::Fault{.status = 502}},
  };
  for (const auto& c : cases) {
    service.clear_faults();
    service.set_publisher_file(standin::kVersionPath, "9.9");
    if (c.fault) service.set_fault(kVersionFile, *c.fault);
    std::optional<testing_support::ProxyEnv> route;
    if (c.route) route.emplace(*c.route);
    Check check;
    check.run();
    EXPECT_TRUE(check.window.messages.empty()) << c.what_it_proves;
    EXPECT_EQ(check.window.close_requests, 0) << c.what_it_proves << ": the window stays";
    EXPECT_TRUE(check.opened.empty()) << c.what_it_proves;
  }
}

// The version file's body is the version, byte for byte, however odd.
TEST_F(UpdateFaultTest, WhateverTheVersionFileHoldsIsOfferedAsItIs) {
  struct Case {
    const char* what_it_proves;
    std::string published;
    std::string shown;
  };
  const std::string megabyte(1 << 20, '9');
  const Case cases[] = {
      {"a version of a megabyte", megabyte, megabyte},
      {"markup is only text", "<b>2.2</b><script>alert(1)</script>", "<b>2.2</b><script>alert(1)</script>"},
      // Bytes go unconverted: an emoji's UTF-8 stays as the bytes it is.
      {"bytes that are no GBK", "2.2\xF0\x9F\x98\x80", "2.2\xF0\x9F\x98\x80"},
      // Different by its bytes; its text ends at the zero byte, as every text does.
      {"2.1 and a zero byte", std::string("2.1\0x", 5), "2.1"},
  };
  for (const auto& c : cases) {
    service.set_publisher_file(standin::kVersionPath, c.published);
    Check check;
    check.window.answers = {Answer::cancel};
    check.run();
    ASSERT_EQ(check.window.messages.size(), 1u) << c.what_it_proves;
    EXPECT_EQ(check.window.messages[0].text, offer_for(c.shown)) << c.what_it_proves;
    EXPECT_EQ(check.window.close_requests, 1) << c.what_it_proves;
    EXPECT_TRUE(check.opened.empty()) << c.what_it_proves;
  }
}

// The address is handed to the browser only when it is a web address: a text from the network
// naming a local file or a script is never opened.
TEST_F(UpdateFaultTest, OnlyAWebAddressIsOpened) {
  struct Case {
    const char* what_it_proves;
    std::string address;
    bool opened;
  };
  const Case cases[] = {
      {"an http address", "http://www.publisher.example/ruanjian/vidparse-2.2.zip", true},
      {"an https address in capitals", "HTTPS://www.publisher.example/vidparse-2.2.zip", true},
      {"a local file", "file:///usr/share/applications/xterm.desktop", false},
      {"a script", "javascript:alert(1)", false},
      {"a share of another host", "smb://attacker.example/share/setup.desktop", false},
      {"a name without a scheme", "vidparse-2.2.zip", false},
  };
  service.set_publisher_file(standin::kVersionPath, "2.2");
  for (const auto& c : cases) {
    service.set_publisher_file(standin::kDownloadAddressPath, c.address);
    Check check;
    check.run();
    EXPECT_EQ(check.opened, c.opened ? std::vector<net::Text>{c.address} : std::vector<net::Text>{})
        << c.what_it_proves;
    EXPECT_EQ(check.window.close_requests, 1) << c.what_it_proves << ": OK closes the window all the same";
  }
}

// Publisher files are a line each; one that does not end is not read into memory whole.
TEST_F(UpdateFaultTest, APublisherFilePastAMegabyteIsNoFile) {
  struct Case {
    const char* what_it_proves;
    std::size_t size;
  };
  const Case cases[] = {
      {"one byte past a megabyte", (1 << 20) + 1},
      {"a version file of 768 MiB", std::size_t{768} << 20},
  };
  for (const auto& c : cases) {
    testing_support::EndlessServer endless(c.size);
    testing_support::ProxyEnv route(endless.proxy_url());
    testing_support::reset_memory_peak();
    const auto before = testing_support::memory_figures();
    Check check;
    check.run();
    const auto after = testing_support::memory_figures();
    std::printf("[ figures  ] %s: RSS %ld MiB before, %ld MiB after, peak %ld MiB\n", c.what_it_proves,
                before.rss_kib / 1024, after.rss_kib / 1024, after.peak_kib / 1024);
    EXPECT_TRUE(check.window.messages.empty()) << c.what_it_proves;
    EXPECT_EQ(check.window.close_requests, 0) << c.what_it_proves << ": the window stays";
    EXPECT_LT(after.peak_kib - before.rss_kib, 256 * 1024) << c.what_it_proves << ": held in memory";
  }
}

// Servers that take the request and say nothing more, before the version or in its middle, and
// a download-address file that never comes. Each is bounded by 15 s without a byte, so the
// three checks run side by side; the version file gets each fault for one request only.
TEST_F(UpdateFaultTest, SilentAndStalledServersAreGivenUp) {
  service.set_publisher_file(standin::kVersionPath, "2.10");
  struct Case {
    const char* what_it_proves;
    std::string place;
    standin::Fault fault;
    bool offered;
  };
  const Case cases[] = {
      {"version file silent", kVersionFile, {.stall = true}, false},
      {"version file stalls after \"2.\"", kVersionFile, {.trickle_bytes = 2, .trickle_pause = 10min}, false},
      {"download-address file silent after OK", kAddressFile, {.stall = true}, true},
  };
  std::vector<Check> checks(std::size(cases));
  std::vector<std::thread> threads;
  const auto began = std::chrono::steady_clock::now();
  for (std::size_t i = 0; i < std::size(cases); ++i) {
    service.set_fault(cases[i].place, cases[i].fault);
    threads.emplace_back([&check = checks[i]] { check.run(); });
    // Once the request is in, the fault is fixed for it and can go.
    const std::size_t requests = i + 1;
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (service.requests_to(kPublisher).size() < requests + (cases[i].offered ? 1 : 0) &&
           std::chrono::steady_clock::now() < deadline) {
      std::this_thread::sleep_for(5ms);
    }
    service.set_fault(cases[i].place, {});
  }
  for (auto& thread : threads)
    thread.join();
  std::printf("[ figures  ] %zu stalled checks side by side: %.1f s in all\n", std::size(cases),
              std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count());

  for (std::size_t i = 0; i < std::size(cases); ++i) {
    const auto& c = cases[i];
    const Check& check = checks[i];
    std::printf("[ figures  ] %-40s %.1f s\n", c.what_it_proves, check.seconds);
    EXPECT_LT(check.seconds, 60) << c.what_it_proves << ": the time-out holds";
    EXPECT_TRUE(check.opened.empty()) << c.what_it_proves;
    if (c.offered) {
      ASSERT_EQ(check.window.messages.size(), 1u) << c.what_it_proves;
      EXPECT_EQ(check.window.messages[0].text, offer_for("2.10")) << c.what_it_proves;
      EXPECT_EQ(check.window.close_requests, 1) << c.what_it_proves << ": either button closes";
    } else {
      EXPECT_TRUE(check.window.messages.empty()) << c.what_it_proves;
      EXPECT_EQ(check.window.close_requests, 0) << c.what_it_proves << ": the window stays";
    }
  }
}

}  // namespace
}  // namespace app
