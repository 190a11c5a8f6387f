#pragma once
// A local HTTP server that records every request it receives (method, raw target, headers,
// body) before answering it, so tests can see exactly what went over the wire.

#include <httplib.h>

#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "tests/support/local_server.h"

namespace testing_support {

struct SeenRequest {
  std::string method{};
  std::string target{};        // as sent: "/p?q" or, through a proxy, "http://host/p"
  std::string path{};          // percent-decoded by the server, without the query
  httplib::Headers headers{};  // names compare without regard to case
  std::string body{};

  std::string header(const std::string& name) const;  // first value, "" when absent
  std::size_t header_count(const std::string& name) const;
};

class RecordingServer {
 public:
  using Reply = std::function<void(const httplib::Request&, httplib::Response&)>;

  // Without a reply every request gets 200 "ok".
  explicit RecordingServer(Reply reply = {});

  void start() { server_.start(); }
  int port() const { return server_.port(); }
  std::string url(const std::string& path = "/") const { return server_.url(path); }
  httplib::Server& server() { return server_.server(); }

  std::vector<SeenRequest> requests() const;
  // The last request; an empty record when there was none.
  SeenRequest last() const;

 private:
  void record(const httplib::Request& request);

  Reply reply_;
  mutable std::mutex mutex_;
  std::vector<SeenRequest> seen_;
  LocalServer server_;  // last: it stops before what its handlers use goes away
};

}  // namespace testing_support
