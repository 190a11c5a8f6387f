#pragma once
// A bare TCP server on 127.0.0.1 that keeps the exact bytes of every request it receives and
// answers each with one fixed reply, then closes the connection. For checks that a parsing
// server would hide (header lines with empty values, duplicates, the request head as sent).

#include <atomic>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace testing_support {

class RawServer {
 public:
  // `reply`: the whole response, status line to body.
  explicit RawServer(
      std::string reply = "HTTP/1.1 200 OK\r\nContent-Length: 2\r\nConnection: close\r\n\r\nok");
  ~RawServer();
  RawServer(const RawServer&) = delete;
  RawServer& operator=(const RawServer&) = delete;

  int port() const { return port_; }
  std::string url(const std::string& path = "/") const;

  // Each request as received: head, blank line and as many body bytes as its Content-Length says.
  std::vector<std::string> requests() const;

 private:
  void serve();
  void handle(int connection);

  std::string reply_;
  int listener_ = -1;
  int port_ = 0;
  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  std::vector<std::string> requests_;
  std::thread thread_;
};

// The header lines of a raw request (request line and blank line left out).
std::vector<std::string> raw_header_lines(const std::string& request);
// What follows the blank line of a raw request.
std::string raw_body(const std::string& request);

}  // namespace testing_support
