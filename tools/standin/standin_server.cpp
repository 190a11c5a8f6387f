#include "tools/standin/standin_server.h"

#include <atomic>
#include <fstream>
#include <iterator>
#include <map>
#include <mutex>
#include <random>
#include <stdexcept>
#include <thread>

#include "net/text.h"
#include "resolve/hosts.h"
#include "tools/standin/gzip.h"
#include "tools/standin/recording_server.h"
#include "tools/standin/request_record.h"

namespace standin {
namespace {

namespace hosts = resolve::hosts;

constexpr std::size_t kPieceSize = 64 * 1024;

// Error messages of refused requests, UTF-8.
constexpr std::string_view kSignatureError = "\xE7\xAD\xBE\xE5\x90\x8D\xE9\x94\x99\xE8\xAF\xAF";  // 签名错误
constexpr std::string_view kSessionExpired =
    "\xE4\xBC\x9A\xE8\xAF\x9D\xE5\xB7\xB2\xE8\xBF\x87\xE6\x9C\x9F";  // 会话已过期
constexpr std::string_view kIllegalRequest = "\xE9\x9D\x9E\xE6\xB3\x95\xE8\xAF\xB7\xE6\xB1\x82";  // 非法请求

// The body of an answer: bytes held, or the video pattern generated as it is sent.
struct Payload {
  std::string bytes{};
  std::optional<std::size_t> pattern_size{};

  std::size_t size() const { return pattern_size.value_or(bytes.size()); }
  std::string slice(std::size_t offset, std::size_t length) const {
    return pattern_size ? pattern_bytes(length, offset) : bytes.substr(offset, length);
  }
};

struct Answer {
  int status = 200;
  std::string content_type = "text/plain; charset=utf-8";
  std::vector<std::pair<std::string, std::string>> headers{};
  Payload payload{};
};

Answer text_answer(int status, std::string text) {
  return {.status = status, .payload = {.bytes = std::move(text)}};
}

struct MediaItem {
  std::optional<std::string> bytes{};
  std::optional<std::size_t> size{};
  std::string content_type{};
};

std::string random_text(std::mt19937_64& random, std::string_view alphabet, int length) {
  std::uniform_int_distribution<std::size_t> pick(0, alphabet.size() - 1);
  std::string out;
  for (int i = 0; i < length; ++i)
    out.push_back(alphabet[pick(random)]);
  return out;
}

bool is_safe_relative(std::string_view path) {
  for (const auto& piece : net::split(path, "/")) {
    if (piece == "..") return false;
  }
  return true;
}

std::optional<std::string> read_file(const std::filesystem::path& file) {
  std::error_code error;
  if (!std::filesystem::is_regular_file(file, error)) return std::nullopt;
  std::ifstream in(file, std::ios::binary);
  if (!in) return std::nullopt;
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

}  // namespace

struct StandinServer::Impl {
  // The configuration lives apart from the server so it can be set before start() and
  // survives a restart.
  mutable std::mutex mutex;
  std::map<std::string, SiteReply, std::less<>> replies;
  std::map<std::string, MediaItem, std::less<>> media;
  std::size_t default_video_size = kDefaultVideoSize;
  std::filesystem::path media_dir;
  std::map<std::string, std::string, std::less<>> publisher_files;
  std::map<std::string, Fault, std::less<>> faults;  // "host path" or " path"
  std::optional<Fault> global_fault;
  std::vector<RecordedRequest> recorded;
  std::vector<Cookie> front_cookies;
  Cookie reply_cookie;

  std::unique_ptr<RecordingServer> server;
  std::thread thread;
  std::atomic<int> port{0};

  Impl() {
    std::mt19937_64 random(std::random_device{}());
    const std::string_view lower_digits = "abcdefghijklmnopqrstuvwxyz0123456789";
    const std::string_view hex = "0123456789abcdef";
    front_cookies = {
        {.name = "PHPSESSID", .value = random_text(random, lower_digits, 26), .attributes = "; path=/"},
        {.name = "parse_token",
         .value = random_text(random, hex, 32),
         .attributes = "; expires=Fri, 31-Dec-2037 23:59:59 GMT; Max-Age=315360000; path=/; HttpOnly"},
    };
    reply_cookie = {.name = "SERVERID",
                    .value = random_text(random, hex, 32) + "|" + random_text(random, "0123456789", 10),
                    .attributes = "; Path=/"};
    reset_publisher_files();
  }

  void reset_publisher_files() {
    publisher_files[std::string(kVersionPath)] = std::string(kDefaultVersion);
    publisher_files[std::string(kDownloadAddressPath)] = std::string(kDefaultDownloadAddress);
  }

  SiteReply reply_for(const ServiceSite& site) const {
    std::lock_guard lock(mutex);
    auto found = replies.find(site.path);
    return found == replies.end() ? default_reply(site) : found->second;
  }

  Fault fault_for(const std::string& host, const std::string& path) const {
    std::lock_guard lock(mutex);
    if (auto found = faults.find(host + " " + path); found != faults.end()) return found->second;
    if (auto found = faults.find(" " + path); found != faults.end()) return found->second;
    return global_fault.value_or(Fault{});
  }

  std::vector<std::string> required_cookies() const {
    std::vector<std::string> pairs;
    for (const auto& cookie : front_cookies)
      pairs.push_back(cookie.pair());
    return pairs;
  }

  Answer front_page(const RecordedRequest& request) const {
    if (request.path != "/") return text_answer(404, "Not Found");
    Answer answer{.content_type = "text/html; charset=UTF-8",
                  .payload = {.bytes = "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>"
                                       "\xE8\xA7\x86\xE9\xA2\x91\xE8\xA7\xA3\xE6\x9E\x90"  // 视频解析
                                       "</title></head><body></body></html>"}};
    for (const auto& cookie : front_cookies)
      answer.headers.emplace_back("Set-Cookie", cookie.set_cookie());
    return answer;
  }

  Answer service(RecordedRequest& request, const Fault& fault, std::size_t unread) const {
    auto site = find_service_site(request.path);
    if (!site) return text_answer(404, "Not Found");
    if (request.method != "POST") return text_answer(405, "Method Not Allowed");
    auto required = required_cookies();
    request.verdict = check_service_request({.header_lines = &request.header_lines,
                                             .body = request.body,
                                             .unread_after_body = unread,
                                             .required_cookies = &required});
    const auto& verdict = *request.verdict;
    std::string json;
    if (verdict.accepted()) {
      auto reply = reply_for(*site);
      json = reply.raw_body ? *reply.raw_body : reply_json(site->shape, reply);
    } else if (!verdict.signature_ok) {
      json = error_json(400, kSignatureError);
    } else if (!verdict.cookies_ok) {
      json = error_json(401, kSessionExpired);
    } else {
      json = error_json(403, kIllegalRequest);
    }
    if (fault.not_json) json = not_json_body();
    Answer answer{.content_type = "application/json; charset=utf-8"};
    answer.headers.emplace_back("Set-Cookie", reply_cookie.set_cookie());
    if (fault.uncompressed) {
      answer.payload.bytes = std::move(json);
    } else {
      answer.headers.emplace_back("Content-Encoding", "gzip");
      answer.payload.bytes = gzip_compress(json);
    }
    return answer;
  }

  Answer media_file(const RecordedRequest& request) const {
    MediaItem item;
    std::size_t video_size = 0;
    std::filesystem::path dir;
    {
      std::lock_guard lock(mutex);
      if (auto found = media.find(request.path); found != media.end()) item = found->second;
      video_size = default_video_size;
      dir = media_dir;
    }
    if (!item.bytes && !item.size && !dir.empty() && is_safe_relative(request.path)) {
      item.bytes = read_file(dir / std::filesystem::path(request.path).relative_path());
    }
    if (item.bytes) {
      auto type = item.content_type.empty() ? sniff_content_type(*item.bytes) : item.content_type;
      return {.content_type = type, .payload = {.bytes = *item.bytes}};
    }
    bool video = net::find_text(request.path, "/video/") == 1;
    if (item.size || video) {
      return {.content_type = item.content_type.empty() ? "video/mp4" : item.content_type,
              .payload = {.pattern_size = item.size.value_or(video_size)}};
    }
    if (net::find_text(request.path, "/cover/") == 1) {
      return {.content_type = "image/png", .payload = {.bytes = default_cover_png()}};
    }
    return text_answer(404, "Not Found");
  }

  Answer publisher_file(const RecordedRequest& request) const {
    std::lock_guard lock(mutex);
    auto found = publisher_files.find(request.path);
    if (found == publisher_files.end()) return text_answer(404, "Not Found");
    return {.content_type = "text/plain", .payload = {.bytes = found->second}};
  }

  Answer route(RecordedRequest& request, const Fault& fault, std::size_t unread) const {
    if (request.host == hosts::kFrontEndHost) return front_page(request);
    if (request.host == hosts::kApiHost) return service(request, fault, unread);
    if (request.host == kMediaHost) return media_file(request);
    if (request.host == hosts::kPublisherHost) return publisher_file(request);
    return text_answer(404, "Unknown host");
  }

  // `body` is what arrived of the request body; `body_whole` says whether all that was
  // announced did.
  void handle(const httplib::Request& req, httplib::Response& res, std::string_view body, bool body_whole) {
    RecordingServer& srv = *server;
    auto request = make_record({.method = req.method,
                                .target = req.target,
                                .decoded_path = req.path,
                                .version = req.version,
                                .head = srv.current_head(),
                                .body = body});
    auto fault = fault_for(request.host, request.path);
    // The connection cannot carry another request after a body that fell short.
    if (!body_whole) res.set_header("Connection", "close");
    auto answer = route(request, fault, srv.current_unread());
    {
      std::lock_guard lock(mutex);
      recorded.push_back(request);
    }
    if (fault.stall) {
      srv.pause(std::chrono::milliseconds(-1));
      res.status = 503;
      return;
    }
    if (fault.delay.count() > 0) srv.pause(fault.delay);
    if (fault.status) answer = text_answer(fault.status, "status " + std::to_string(fault.status));
    send(std::move(answer), fault, res);
  }

  void send(Answer answer, const Fault& fault, httplib::Response& res) const {
    res.status = answer.status;
    for (const auto& [name, value] : answer.headers)
      res.set_header(name, value);
    std::size_t total = answer.payload.size();
    if (total == 0) return;
    // A provider keeps httplib from compressing on its own, and lets the body be cut or slowed.
    auto payload = std::make_shared<const Payload>(std::move(answer.payload));
    std::size_t limit = std::min(total, fault.cut_after.value_or(total));
    std::size_t piece = fault.trickle_bytes ? fault.trickle_bytes : kPieceSize;
    auto pause = fault.trickle_pause;
    RecordingServer* srv = server.get();
    res.set_content_provider(
        total, answer.content_type,
        [payload, limit, piece, pause, srv](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
          if (offset >= limit) return false;  // cut short: httplib closes the connection
          std::size_t n = std::min({piece, length, limit - offset});
          auto chunk = payload->slice(offset, n);
          if (!sink.write(chunk.data(), chunk.size())) return false;
          if (pause.count() > 0 && offset + n < limit) return srv->pause(pause);
          return true;
        });
  }
};

StandinServer::StandinServer() : impl_(std::make_unique<Impl>()) {}

StandinServer::~StandinServer() {
  stop();
}

void StandinServer::start(int port) {
  if (impl_->server) throw std::logic_error("the stand-in is already running");
  auto server = std::make_unique<RecordingServer>();
  auto handler = [impl = impl_.get()](const httplib::Request& req, httplib::Response& res) {
    impl->handle(req, res, req.body, true);
  };
  // Bodies are read here rather than by httplib, so a body shorter than its Content-Length is
  // still recorded (and refused) instead of vanishing into httplib's own 400.
  auto body_handler = [impl = impl_.get()](const httplib::Request& req, httplib::Response& res,
                                           const httplib::ContentReader& reader) {
    std::string body;
    bool whole = reader([&body](const char* data, std::size_t size) {
      body.append(data, size);
      return true;
    });
    impl->handle(req, res, body, whole);
  };
  server->Get(".*", handler);
  server->Post(".*", body_handler);
  server->Put(".*", body_handler);
  server->Patch(".*", body_handler);
  server->Delete(".*", handler);
  server->Options(".*", handler);
  int bound = port;
  if (port == 0) {
    bound = server->bind_to_any_port("127.0.0.1");
  } else if (!server->bind_to_port("127.0.0.1", port)) {
    bound = -1;
  }
  if (bound <= 0) throw std::runtime_error("cannot bind 127.0.0.1:" + std::to_string(port));
  impl_->server = std::move(server);
  impl_->port = bound;
  impl_->thread = std::thread([srv = impl_->server.get()] { srv->listen_after_bind(); });
  // httplib's stop() does nothing until the accept loop runs, so wait for it here.
  while (!impl_->server->is_running())
    std::this_thread::sleep_for(std::chrono::milliseconds(1));
}

void StandinServer::stop() {
  if (!impl_->server) return;
  impl_->server->shutdown();
  if (impl_->thread.joinable()) impl_->thread.join();
  impl_->server.reset();
  impl_->port = 0;
}

bool StandinServer::running() const {
  return impl_->port != 0;
}

int StandinServer::port() const {
  return impl_->port;
}

std::string StandinServer::proxy_url() const {
  return "http://127.0.0.1:" + std::to_string(impl_->port);
}

void StandinServer::set_reply(std::string_view service_path, SiteReply reply) {
  std::lock_guard lock(impl_->mutex);
  impl_->replies[std::string(service_path)] = std::move(reply);
}

SiteReply StandinServer::reply(std::string_view service_path) const {
  auto site = find_service_site(service_path);
  if (!site) return {};
  return impl_->reply_for(*site);
}

void StandinServer::reset_replies() {
  std::lock_guard lock(impl_->mutex);
  impl_->replies.clear();
}

std::vector<Cookie> StandinServer::front_cookies() const {
  return impl_->front_cookies;
}

Cookie StandinServer::reply_cookie() const {
  return impl_->reply_cookie;
}

void StandinServer::set_media(std::string_view path, std::string bytes, std::string content_type) {
  std::lock_guard lock(impl_->mutex);
  impl_->media[std::string(path)] = {.bytes = std::move(bytes), .content_type = std::move(content_type)};
}

void StandinServer::set_video_size(std::string_view path, std::size_t size) {
  std::lock_guard lock(impl_->mutex);
  impl_->media[std::string(path)] = {.size = size};
}

void StandinServer::set_default_video_size(std::size_t size) {
  std::lock_guard lock(impl_->mutex);
  impl_->default_video_size = size;
}

void StandinServer::set_media_dir(std::filesystem::path dir) {
  std::lock_guard lock(impl_->mutex);
  impl_->media_dir = std::move(dir);
}

void StandinServer::set_publisher_file(std::string_view path, std::string body) {
  std::lock_guard lock(impl_->mutex);
  impl_->publisher_files[std::string(path)] = std::move(body);
}

void StandinServer::set_fault(std::string_view where, Fault fault) {
  std::string key;
  if (net::find_text(where, "http://", 1, true) == 1) {
    auto record = make_record({.target = where, .decoded_path = where});
    key = record.host + " " + record.path;
  } else {
    key = " " + std::string(where);
  }
  std::lock_guard lock(impl_->mutex);
  impl_->faults[key] = fault;
}

void StandinServer::set_global_fault(Fault fault) {
  std::lock_guard lock(impl_->mutex);
  impl_->global_fault = fault;
}

void StandinServer::clear_faults() {
  std::lock_guard lock(impl_->mutex);
  impl_->faults.clear();
  impl_->global_fault.reset();
}

std::vector<RecordedRequest> StandinServer::requests() const {
  std::lock_guard lock(impl_->mutex);
  return impl_->recorded;
}

std::vector<RecordedRequest> StandinServer::requests_to(std::string_view host, std::string_view path) const {
  std::vector<RecordedRequest> out;
  for (auto& request : requests()) {
    if (request.host == host && (path.empty() || request.path == path)) out.push_back(std::move(request));
  }
  return out;
}

void StandinServer::clear_requests() {
  std::lock_guard lock(impl_->mutex);
  impl_->recorded.clear();
}

}  // namespace standin
