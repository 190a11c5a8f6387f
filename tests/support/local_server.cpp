#include "tests/support/local_server.h"

#include <chrono>
#include <stdexcept>

namespace testing_support {

LocalServer::LocalServer() : server_(std::make_unique<httplib::Server>()) {}

LocalServer::~LocalServer() {
  server_->stop();
  if (thread_.joinable()) thread_.join();
}

void LocalServer::start() {
  port_ = server_->bind_to_any_port("127.0.0.1");
  if (port_ <= 0) throw std::runtime_error("cannot bind a port on 127.0.0.1");
  // The socket listens from bind on, so clients may connect before the thread runs.
  thread_ = std::thread([this] { server_->listen_after_bind(); });
  // stop() does nothing until the server runs, so a server stopped sooner would never end.
  while (!server_->is_running())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

std::string LocalServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

}  // namespace testing_support
