#pragma once
// Ways for a test to make the network fail without ever leaving 127.0.0.1, and the process's
// memory figures for tests that must show a bounded footprint.
//
//   closed_port()        a port on 127.0.0.1 that was bound and closed again: connection refused
//   unresolvable_host()  a name the resolver refuses before it would ask any name server
//   RedirectLoop         a server that sends every request back to itself
//   EndlessServer        a server whose every body is as long as the test likes, made as it goes
//   ScopedEnv            an environment variable set (or removed) for the length of a scope

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstddef>
#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

#include "tests/support/local_server.h"

namespace testing_support {

// A port on 127.0.0.1 that nothing listens on: it was bound a moment ago and closed again.
inline int closed_port() {
  const int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  socklen_t length = sizeof address;
  ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address);
  ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length);
  ::close(fd);
  return ntohs(address.sin_port);
}

// A host name that cannot resolve, and whose lookup sends nothing: a label of 64 characters
// does not fit a DNS query, so the resolver gives up before it would ask a name server, and
// ".invalid" keeps the name from ever meaning a real host.
inline std::string unresolvable_host() {
  return std::string(64, 'x') + ".invalid";
}

// Answers every request with a redirect to the very address asked for, directly ("/a" -> "/a")
// or as a proxy ("http://h/a" -> "http://h/a"), so a client that follows redirects goes round
// until it gives up.
class RedirectLoop {
 public:
  RedirectLoop() {
    server_.server().Get(".*", [](const httplib::Request& req, httplib::Response& res) {
      res.status = 302;
      res.set_header("Location", req.target);
      res.set_content("<html>moved</html>", "text/html");
    });
    server_.start();
  }
  std::string url(const std::string& path) const { return server_.url(path); }
  std::string proxy_url() const { return server_.url(""); }

 private:
  LocalServer server_;
};

// Answers every request, directly or as a proxy, with a body of `size` digits made as they are
// sent, so a body of any length costs the server nothing.
class EndlessServer {
 public:
  explicit EndlessServer(std::size_t size) {
    const auto serve = [size](const httplib::Request&, httplib::Response& res) {
      res.set_content_provider(size, "application/octet-stream",
                               [](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                                 static const std::string digits = [] {
                                   std::string text(1 << 16, '0');
                                   for (std::size_t i = 0; i < text.size(); ++i)
                                     text[i] = static_cast<char>('0' + i % 10);
                                   return text;
                                 }();
                                 const std::size_t piece = std::min(length, digits.size() - offset % 10);
                                 return sink.write(digits.data() + offset % 10, piece);
                               });
    };
    server_.server().Get(".*", serve);
    server_.server().Post(".*", serve);
    server_.start();
  }
  std::string url(const std::string& path) const { return server_.url(path); }
  std::string proxy_url() const { return server_.url(""); }

 private:
  LocalServer server_;
};

// Sets `name` to `value` (removes it for nullopt) and puts back what was there before.
class ScopedEnv {
 public:
  ScopedEnv(const char* name, const std::optional<std::string>& value) : name_(name) {
    if (const char* old = std::getenv(name)) saved_ = old;
    if (value) {
      ::setenv(name, value->c_str(), 1);
    } else {
      ::unsetenv(name);
    }
  }
  ~ScopedEnv() {
    if (saved_) {
      ::setenv(name_.c_str(), saved_->c_str(), 1);
    } else {
      ::unsetenv(name_.c_str());
    }
  }
  ScopedEnv(const ScopedEnv&) = delete;
  ScopedEnv& operator=(const ScopedEnv&) = delete;

 private:
  std::string name_;
  std::optional<std::string> saved_{};
};

// The process's resident set and its peak so far, in KiB, from /proc/self/status.
struct MemoryFigures {
  long rss_kib = 0;
  long peak_kib = 0;
};

inline MemoryFigures memory_figures() {
  MemoryFigures figures;
  std::ifstream status("/proc/self/status");
  std::string key;
  while (status >> key) {
    if (key == "VmRSS:") status >> figures.rss_kib;
    if (key == "VmHWM:") status >> figures.peak_kib;
  }
  return figures;
}

// Starts a new peak from the present resident set, where the kernel allows it; false otherwise
// (the peak then still holds what came before).
inline bool reset_memory_peak() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  clear.close();
  return static_cast<bool>(clear) && memory_figures().peak_kib <= memory_figures().rss_kib + 1024;
}

}  // namespace testing_support
