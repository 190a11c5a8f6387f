#pragma once
// A real HTTP server on 127.0.0.1 for tests: binds port 0, runs on its own thread, and stops
// when it goes out of scope.

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

namespace testing_support {

class LocalServer {
 public:
  LocalServer();
  ~LocalServer();
  LocalServer(const LocalServer&) = delete;
  LocalServer& operator=(const LocalServer&) = delete;

  // Register handlers on this before calling start().
  httplib::Server& server() { return *server_; }

  void start();
  int port() const { return port_; }
  std::string url(const std::string& path = "/") const;

 private:
  std::unique_ptr<httplib::Server> server_;
  std::thread thread_;
  int port_ = 0;
};

}  // namespace testing_support
