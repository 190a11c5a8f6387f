#include "tests/support/tls_server.h"

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <stdexcept>
#include <vector>

namespace testing_support {
namespace {

std::string make_temp_folder() {
  std::string pattern = (std::filesystem::temp_directory_path() / "tls-XXXXXX").string();
  std::vector<char> buffer(pattern.begin(), pattern.end());
  buffer.push_back('\0');
  return mkdtemp(buffer.data()) ? std::string(buffer.data()) : std::string();
}

}  // namespace

LocalTlsServer::LocalTlsServer() : folder_(make_temp_folder()) {
  if (folder_.empty()) return;
  const std::string key = folder_ + "/key.pem";
  const std::string cert = folder_ + "/cert.pem";
  const std::string command =
      "openssl req -x509 -newkey rsa:2048 -nodes -days 1 -subj /CN=127.0.0.1"
      " -addext subjectAltName=IP:127.0.0.1 -keyout '" +
      key + "' -out '" + cert + "' >/dev/null 2>&1";
  if (std::system(command.c_str()) != 0) return;
  server_ = std::make_unique<httplib::SSLServer>(cert.c_str(), key.c_str());
}

LocalTlsServer::~LocalTlsServer() {
  if (server_) server_->stop();
  if (thread_.joinable()) thread_.join();
  if (!folder_.empty()) {
    std::error_code ignored;
    std::filesystem::remove_all(folder_, ignored);
  }
}

void LocalTlsServer::start() {
  if (!valid()) throw std::runtime_error("no TLS server to start");
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cannot bind a port on 127.0.0.1");
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() does nothing until the server runs, so a server stopped sooner would never end.
  while (!server_->is_running())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::string LocalTlsServer::url(const std::string& path) const {
  return "https://127.0.0.1:" + std::to_string(port_) + path;
}

}  // namespace testing_support
