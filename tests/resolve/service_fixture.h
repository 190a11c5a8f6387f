#pragma once
// A stand-in parse service on 127.0.0.1, the program's host names routed to it through
// http_proxy, an in-memory window, and a scratch run directory for the preview page.

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <string>

#include "net/codepage.h"
#include "resolve/hosts.h"
#include "resolve/preview.h"
#include "tests/support/fake_window.h"
#include "tests/support/proxy_env.h"
#include "tools/standin/standin_server.h"

namespace testing_support {

class ServiceTest : public ::testing::Test {
 protected:
  ServiceTest() {
    service.start();
    proxy.emplace(service.proxy_url());
    run_dir =
        std::filesystem::temp_directory_path() / ("vidparse-test-" + std::to_string(std::random_device{}()));
    std::filesystem::create_directories(run_dir);
    resolve::set_preview_page_path((run_dir / "ZERU_Flash.html").string());
  }
  ~ServiceTest() override {
    proxy.reset();
    service.stop();
    std::error_code ignored;
    std::filesystem::remove_all(run_dir, ignored);
    resolve::set_preview_page_path({});
  }

  // Requests that reached the API host, and the front-end host.
  std::vector<standin::RecordedRequest> api_requests() const { return service.requests_to(kApi); }
  std::vector<standin::RecordedRequest> front_requests() const { return service.requests_to(kFront); }

  std::string preview_page() const {
    std::ifstream in(run_dir / "ZERU_Flash.html", std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  static net::Text gbk(std::string_view utf8) { return net::utf8_to_gbk_text(utf8); }

  static constexpr std::string_view kApi = resolve::hosts::kApiHost;
  static constexpr std::string_view kFront = resolve::hosts::kFrontEndHost;

  standin::StandinServer service;
  std::optional<ProxyEnv> proxy;
  std::filesystem::path run_dir;
  FakeWindow window;
};

}  // namespace testing_support
