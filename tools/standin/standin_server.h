#pragma once
// A stand-in for the outside world the program talks to, for the tests and the demo: the parse
// service (its front-end page and its API host), the media its replies name, and the
// publisher's version files. One HTTP server on 127.0.0.1 answers for all these hosts; it reads
// the host from an absolute request target ("GET http://host/path", as a proxy receives it) or
// from the Host header, so the program reaches it with http_proxy=<proxy_url()>.
//
// The API host checks every POST to a site path as the real service would (the signed form,
// the front-end page's cookies, the browser header block, the body length), answers a good one
// with the site's reply as gzip-compressed UTF-8 JSON and a refused one with an error JSON.
// Replies, media, version files and faults can be set per test; every request is recorded.
// start() and stop() belong to the owning thread; every other member may be called from any
// thread, before start() and while the server runs.

#include <chrono>
#include <cstddef>
#include <filesystem>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "tools/standin/media.h"
#include "tools/standin/replies.h"
#include "tools/standin/service_check.h"
#include "tools/standin/sites.h"

namespace standin {

inline constexpr std::string_view kVersionPath = "/ruanjian/sp/banben.txt";
inline constexpr std::string_view kDownloadAddressPath = "/ruanjian/xzdz.txt";
inline constexpr std::string_view kDefaultVersion = "2.1";
inline constexpr std::string_view kDefaultDownloadAddress =
    "http://www.publisher.example/ruanjian/vidparse.zip";
inline constexpr std::size_t kDefaultVideoSize = 4096;

// Ways to misbehave; they combine, and apply in the order of the members.
struct Fault {
  bool stall = false;                          // never answer; hold on until stop() or the client leaves
  std::chrono::milliseconds delay{0};          // wait this long before answering
  int status = 0;                              // non-zero: answer with this status and a short text body
  bool uncompressed = false;                   // service replies: the JSON as it is, without gzip
  bool not_json = false;                       // service replies: an HTML error page instead of JSON
  std::optional<std::size_t> cut_after{};      // announce the whole length, send this many body bytes, close
  std::size_t trickle_bytes = 0;               // non-zero: send the body in pieces of this many bytes,
  std::chrono::milliseconds trickle_pause{0};  // each followed by this pause
};

struct RecordedRequest {
  std::string method{};
  std::string target{};                     // the request target as received: "/p?q" or "http://host/p?q"
  std::string version{};                    // "HTTP/1.1"
  std::string host{};                       // the host it was routed to, lower case, without port
  std::string path{};                       // the path it was routed to, percent-decoded, without query
  std::vector<std::string> header_lines{};  // as received, in order, without line ends
  std::string body{};
  std::optional<ServiceVerdict> verdict{};  // for POSTs to a site path of the API host

  // The value of the first header line of that name (any letter case); empty when absent.
  std::string header(std::string_view name) const;
};

struct Cookie {
  std::string name{};
  std::string value{};
  std::string attributes{};  // what follows the value in Set-Cookie, e.g. "; path=/"

  std::string pair() const { return name + "=" + value; }
  std::string set_cookie() const { return pair() + attributes; }
};

class StandinServer {
 public:
  StandinServer();
  ~StandinServer();
  StandinServer(const StandinServer&) = delete;
  StandinServer& operator=(const StandinServer&) = delete;

  // Binds 127.0.0.1:`port` (0: any free port) and serves on a thread of its own. Throws
  // std::runtime_error when the port cannot be bound, std::logic_error when already running.
  void start(int port = 0);
  // Ends every pending request (stalled ones too) and joins the thread; harmless when stopped.
  void stop();
  bool running() const;
  int port() const;
  std::string proxy_url() const;  // "http://127.0.0.1:<port>"

  // The reply of the site at `service_path` (default_reply until set).
  void set_reply(std::string_view service_path, SiteReply reply);
  SiteReply reply(std::string_view service_path) const;
  void reset_replies();

  // The two cookies the front-end page sets, which every service POST must carry, and the one
  // every service reply sets. Fresh random values for each StandinServer.
  std::vector<Cookie> front_cookies() const;
  Cookie reply_cookie() const;

  // Media host content by path ("/cover/x.jpg"). Unset paths under "/video/" get pattern_bytes
  // of the default video size, unset paths under "/cover/" the default PNG; others are 404.
  void set_media(std::string_view path, std::string bytes, std::string content_type = {});
  void set_video_size(std::string_view path, std::size_t size);
  void set_default_video_size(std::size_t size);
  // Files under `dir` are served at their relative paths before the defaults apply.
  void set_media_dir(std::filesystem::path dir);

  // Publisher host files by path; kVersionPath and kDownloadAddressPath have defaults.
  void set_publisher_file(std::string_view path, std::string body);

  // `where` is a path on any host ("/video/douyin") or one host's ("http://host/path").
  // The most specific fault applies: host and path, then path, then the global one.
  void set_fault(std::string_view where, Fault fault);
  void set_global_fault(Fault fault);
  void clear_faults();

  std::vector<RecordedRequest> requests() const;
  // Those sent to `host` (and to `path`, when given).
  std::vector<RecordedRequest> requests_to(std::string_view host, std::string_view path = {}) const;
  void clear_requests();

 private:
  struct Impl;
  std::unique_ptr<Impl> impl_;
};

}  // namespace standin
