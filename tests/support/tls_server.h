#pragma once
// An HTTPS server on 127.0.0.1 with a throwaway self-signed certificate, for proving that
// certificates are checked. The key and certificate are made by the `openssl` command in a
// temporary folder that goes away with the server.

#include <httplib.h>

#include <memory>
#include <string>
#include <thread>

namespace testing_support {

class LocalTlsServer {
 public:
  LocalTlsServer();
  ~LocalTlsServer();
  LocalTlsServer(const LocalTlsServer&) = delete;
  LocalTlsServer& operator=(const LocalTlsServer&) = delete;

  // False when no certificate could be made or the server could not load it.
  bool valid() const { return server_ && server_->is_valid(); }

  // Register handlers on this before calling start(); only when valid().
  httplib::Server& server() { return *server_; }

  void start();
  int port() const { return port_; }
  std::string url(const std::string& path = "/") const;

 private:
  std::string folder_{};
  std::unique_ptr<httplib::SSLServer> server_{};
  std::thread thread_{};
  int port_ = 0;
};

}  // namespace testing_support
