#include "net/http_request.h"

#include <curl/curl.h>

#include <algorithm>
#include <array>
#include <chrono>
#include <mutex>
#include <string>
#include <utility>
#include <vector>

#include "net/codepage.h"

namespace net {
namespace {

struct EasyDeleter {
  void operator()(CURL* handle) const { curl_easy_cleanup(handle); }
};
struct MultiDeleter {
  void operator()(CURLM* handle) const { curl_multi_cleanup(handle); }
};
struct ListDeleter {
  void operator()(curl_slist* list) const { curl_slist_free_all(list); }
};
using EasyHandle = std::unique_ptr<CURL, EasyDeleter>;
using MultiHandle = std::unique_ptr<CURLM, MultiDeleter>;
using HeaderList = std::unique_ptr<curl_slist, ListDeleter>;

constexpr std::array<std::string_view, 8> kMethods = {"GET",     "POST",   "HEAD",  "PUT",
                                                      "OPTIONS", "DELETE", "TRACE", "CONNECT"};

// How often Send hands control to on_progress while it waits.
constexpr auto kProgressInterval = std::chrono::milliseconds(50);

bool curl_ready() {
  static std::once_flag once;
  static bool ready = false;
  std::call_once(once, [] { ready = curl_global_init(CURL_GLOBAL_DEFAULT) == CURLE_OK; });
  return ready;
}

bool same_name(std::string_view a, std::string_view b) {
  return a.size() == b.size() && find_text(a, b, 1, true) == 1;
}

// An RFC 9110 token: visible ASCII without separators.
bool is_token(std::string_view name) {
  if (name.empty()) return false;
  constexpr std::string_view separators = "()<>@,;:\\\"/[]?={}";
  return std::all_of(name.begin(), name.end(), [&](char c) {
    const auto byte = static_cast<unsigned char>(c);
    return byte > 0x20 && byte < 0x7F && separators.find(c) == std::string_view::npos;
  });
}

// Percent-encodes what a browser would not put on the wire as it is: controls, spaces,
// quotes, angle brackets, backticks and every byte of a non-ASCII character (in UTF-8).
std::string wire_url(std::string_view gbk_url) {
  constexpr char hex[] = "0123456789ABCDEF";
  const std::string utf8 = gbk_to_utf8(trim(gbk_url));
  std::string out;
  out.reserve(utf8.size());
  for (const char c : utf8) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte <= 0x20 || byte >= 0x7F || c == '"' || c == '<' || c == '>' || c == '`') {
      out += '%';
      out += hex[byte >> 4];
      out += hex[byte & 0x0F];
    } else {
      out += c;
    }
  }
  return out;
}

bool is_utf8(std::string_view text) {
  std::size_t i = 0;
  while (i < text.size()) {
    const auto lead = static_cast<unsigned char>(text[i]);
    std::size_t extra = 0;
    if (lead < 0x80) {
      extra = 0;
    } else if (lead >= 0xC2 && lead <= 0xDF) {
      extra = 1;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
      extra = 2;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
      extra = 3;
    } else {
      return false;
    }
    if (text.size() - i <= extra) return false;
    for (std::size_t k = 1; k <= extra; ++k) {
      if ((static_cast<unsigned char>(text[i + k]) & 0xC0) != 0x80) return false;
    }
    i += extra + 1;
  }
  return true;
}

// Header text from the wire as program text: UTF-8 becomes GBK, anything else is taken to be
// GBK already. Zero bytes cannot live in a Text.
Text wire_to_text(std::string_view raw) {
  if (is_utf8(raw)) return utf8_to_gbk_text(raw);
  Text text(raw);
  std::erase(text, '\0');
  return text;
}

std::string text_to_wire(std::string_view text) {
  const bool ascii =
      std::all_of(text.begin(), text.end(), [](char c) { return static_cast<unsigned char>(c) < 0x80; });
  return ascii ? std::string(text) : gbk_to_utf8(text);
}

// How long a started transfer may go without moving a byte; 0: no bound.
std::chrono::milliseconds stall_limit(int send_ms, int receive_ms) {
  return std::chrono::milliseconds(std::max({0, send_ms, receive_ms}));
}

long long connection_limit_ms(int resolve_ms, int connect_ms) {
  return std::max(0LL, static_cast<long long>(resolve_ms)) +
         std::max(0LL, static_cast<long long>(connect_ms));
}

using Header = std::pair<std::string, std::string>;  // name, value as they go on the wire

void put_header(std::vector<Header>& headers, std::string_view name, std::string value) {
  auto same =
      std::find_if(headers.begin(), headers.end(), [&](const Header& h) { return same_name(h.first, name); });
  if (same != headers.end()) {
    same->second = std::move(value);
  } else {
    headers.emplace_back(std::string(name), std::move(value));
  }
}

bool has_header(const std::vector<Header>& headers, std::string_view name) {
  return std::any_of(headers.begin(), headers.end(),
                     [&](const Header& h) { return same_name(h.first, name); });
}

// Builds a libcurl header list. "Name;" is libcurl's spelling of a header with an empty value,
// "Name:" removes a header it would add by itself.
bool build_list(const std::vector<Header>& headers, const std::vector<std::string>& removals,
                HeaderList& list) {
  curl_slist* head = nullptr;
  auto append = [&](const std::string& line) {
    curl_slist* grown = curl_slist_append(head, line.c_str());
    if (!grown) return false;
    head = grown;
    return true;
  };
  bool ok = true;
  for (const auto& [name, value] : headers) {
    ok = ok && append(value.empty() ? name + ";" : name + ": " + value);
  }
  for (const auto& removal : removals)
    ok = ok && append(removal + ":");
  list.reset(head);
  return ok;
}

}  // namespace

struct HttpRequest::Impl {
  MultiHandle multi{};
  EasyHandle easy{};

  // Kept across Open.
  int resolve_ms = 0;
  int connect_ms = 60000;
  int send_ms = 30000;
  int receive_ms = 30000;
  int proxy_setting = 0;
  std::string proxy{};

  // One request.
  bool opened = false;
  std::string method{};
  std::string url{};
  std::vector<Header> headers{};
  std::vector<Header> proxy_headers{};
  bool follow_redirects = true;
  bool http10 = false;
  TransferHooks hooks{};

  // Its response.
  Bytes body{};
  std::vector<std::string> header_lines{};
  std::int64_t received = 0;
  std::int64_t moved = 0;  // header and body bytes of every response, for the stall watch
  int status = 0;
  bool complete = false;

  void clear_response() {
    body.clear();
    header_lines.clear();
    received = 0;
    moved = 0;
    status = 0;
    complete = false;
  }

  static std::size_t on_header(char* data, std::size_t size, std::size_t count, void* user) {
    auto* self = static_cast<Impl*>(user);
    const std::size_t length = size * count;
    try {
      self->moved += static_cast<std::int64_t>(length);
      std::string_view line(data, length);
      while (!line.empty() && (line.back() == '\n' || line.back() == '\r'))
        line.remove_suffix(1);
      if (line.starts_with("HTTP/")) {
        // A new response begins (after a redirect or an interim reply): only the last one counts.
        self->header_lines.clear();
        self->body.clear();
        self->received = 0;
      } else if (!line.empty()) {
        self->header_lines.emplace_back(line);
      }
    } catch (...) {
      return 0;
    }
    return length;
  }

  static std::size_t on_body(char* data, std::size_t size, std::size_t count, void* user) {
    auto* self = static_cast<Impl*>(user);
    const std::size_t length = size * count;
    const auto* bytes = reinterpret_cast<const std::uint8_t*>(data);
    try {
      if (self->hooks.body_sink) {
        if (!self->hooks.body_sink(bytes, length)) return 0;
      } else {
        self->body.insert(self->body.end(), bytes, bytes + length);
      }
    } catch (...) {
      return 0;
    }
    self->received += static_cast<std::int64_t>(length);
    self->moved += static_cast<std::int64_t>(length);
    return length;
  }

  void report_progress() {
    if (!hooks.on_progress) return;
    curl_off_t total = -1;
    if (curl_easy_getinfo(easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &total) != CURLE_OK) total = -1;
    hooks.on_progress(received, total < 0 ? -1 : static_cast<std::int64_t>(total));
  }

  bool configure(const std::uint8_t* data, std::size_t size, HeaderList& server_list,
                 HeaderList& proxy_list) {
    CURL* h = easy.get();
    curl_easy_reset(h);
    bool ok = curl_easy_setopt(h, CURLOPT_URL, url.c_str()) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https") == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, follow_redirects ? 1L : 0L) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_MAXREDIRS, kMaxRedirects) == CURLE_OK;
    if (http10) ok = ok && curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_0) == CURLE_OK;

    const long long connect_limit = connection_limit_ms(resolve_ms, connect_ms);
    if (connect_limit > 0) {
      ok = ok && curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT_MS, static_cast<long>(connect_limit)) == CURLE_OK;
    }

    if (proxy_setting == 2 && !proxy.empty()) {
      ok = ok && curl_easy_setopt(h, CURLOPT_PROXY, proxy.c_str()) == CURLE_OK;
    } else if (proxy_setting == 1) {
      ok = ok && curl_easy_setopt(h, CURLOPT_PROXY, "") == CURLE_OK;
    }

    if (method == "HEAD") {
      ok = ok && curl_easy_setopt(h, CURLOPT_NOBODY, 1L) == CURLE_OK;
    } else if (method == "POST") {
      ok = ok && curl_easy_setopt(h, CURLOPT_POST, 1L) == CURLE_OK;
    } else if (method == "GET" && size == 0) {
      ok = ok && curl_easy_setopt(h, CURLOPT_HTTPGET, 1L) == CURLE_OK;
    } else {
      ok = ok && curl_easy_setopt(h, CURLOPT_CUSTOMREQUEST, method.c_str()) == CURLE_OK;
    }
    const bool with_body = method == "POST" || method == "PUT" || (method != "HEAD" && size > 0);
    if (with_body) {
      // libcurl reads the caller's buffer while Send runs; no copy is needed.
      static const char empty = '\0';
      const char* fields = size > 0 ? reinterpret_cast<const char*>(data) : &empty;
      ok = ok && curl_easy_setopt(h, CURLOPT_POSTFIELDSIZE_LARGE, static_cast<curl_off_t>(size)) == CURLE_OK;
      ok = ok && curl_easy_setopt(h, CURLOPT_POSTFIELDS, fields) == CURLE_OK;
    }

    // Only what was set goes out: libcurl's own Accept, form Content-Type and
    // "Expect: 100-continue" are removed.
    std::vector<std::string> removals{"Expect"};
    if (!has_header(headers, "Accept")) removals.emplace_back("Accept");
    if (!has_header(headers, "Content-Type")) removals.emplace_back("Content-Type");
    ok = ok && build_list(headers, removals, server_list) && build_list(proxy_headers, {}, proxy_list);
    ok = ok && curl_easy_setopt(h, CURLOPT_HTTPHEADER, server_list.get()) == CURLE_OK;
    // Proxy credentials go to the proxy and never through a tunnel to the server.
    ok = ok && curl_easy_setopt(h, CURLOPT_HEADEROPT, CURLHEADER_SEPARATE) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_PROXYHEADER, proxy_list.get()) == CURLE_OK;

    ok = ok && curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &Impl::on_header) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_HEADERDATA, this) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &Impl::on_body) == CURLE_OK;
    ok = ok && curl_easy_setopt(h, CURLOPT_WRITEDATA, this) == CURLE_OK;
    return ok;
  }

  // Bytes moved either way so far.
  std::int64_t progress_mark() {
    curl_off_t uploaded = 0;
    if (curl_easy_getinfo(easy.get(), CURLINFO_SIZE_UPLOAD_T, &uploaded) != CURLE_OK) uploaded = 0;
    return moved + static_cast<std::int64_t>(uploaded);
  }

  bool connected() {
    curl_off_t pretransfer = 0;
    return curl_easy_getinfo(easy.get(), CURLINFO_PRETRANSFER_TIME_T, &pretransfer) == CURLE_OK &&
           pretransfer > 0;
  }

  // Runs the transfer, giving on_progress its turns while waiting. Once connected, a transfer
  // that moves no byte for the send/receive limit is given up; one that keeps moving runs as
  // long as it takes. (libcurl's low-speed check averages over whole seconds and cut bodies
  // that arrived steadily but slowly, so the idle time is watched here instead.)
  CURLcode transfer() {
    CURLM* m = multi.get();
    if (curl_multi_add_handle(m, easy.get()) != CURLM_OK) return CURLE_FAILED_INIT;
    struct Detach {
      CURLM* m;
      CURL* e;
      ~Detach() { curl_multi_remove_handle(m, e); }
    } detach{m, easy.get()};

    const auto stall = stall_limit(send_ms, receive_ms);
    CURLcode result = CURLE_FAILED_INIT;
    auto last_report = std::chrono::steady_clock::now();
    auto last_move = last_report;
    std::int64_t mark = -1;
    int running = 1;
    while (running > 0) {
      if (curl_multi_perform(m, &running) != CURLM_OK) break;
      const auto now = std::chrono::steady_clock::now();
      if (now - last_report >= kProgressInterval) {
        last_report = now;
        report_progress();
      }
      if (const std::int64_t moved_now = progress_mark(); moved_now != mark || !connected()) {
        mark = moved_now;
        last_move = now;
      } else if (running > 0 && stall.count() > 0 && now - last_move > stall) {
        return CURLE_OPERATION_TIMEDOUT;
      }
      if (running > 0 &&
          curl_multi_poll(m, nullptr, 0, static_cast<int>(kProgressInterval.count()), nullptr) != CURLM_OK) {
        break;
      }
    }
    int queued = 0;
    while (CURLMsg* message = curl_multi_info_read(m, &queued)) {
      if (message->msg == CURLMSG_DONE && message->easy_handle == easy.get()) result = message->data.result;
    }
    return result;
  }

  bool send(const std::uint8_t* data, std::size_t size) {
    clear_response();
    if (!opened) return false;
    HeaderList server_list;
    HeaderList proxy_list;
    if (!configure(data, size, server_list, proxy_list)) return false;
    const CURLcode result = transfer();
    // Nothing may point into the lists or the body once they are gone.
    curl_easy_setopt(easy.get(), CURLOPT_HTTPHEADER, nullptr);
    curl_easy_setopt(easy.get(), CURLOPT_PROXYHEADER, nullptr);
    if (result != CURLE_OK) {
      clear_response();
      return false;
    }
    long code = 0;
    curl_easy_getinfo(easy.get(), CURLINFO_RESPONSE_CODE, &code);
    status = static_cast<int>(code);
    curl_off_t announced = -1;
    if (curl_easy_getinfo(easy.get(), CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &announced) != CURLE_OK)
      announced = -1;
    complete = method == "HEAD" || announced < 0 || announced == received;
    report_progress();
    return true;
  }
};

HttpRequest::HttpRequest(std::unique_ptr<Impl> impl) : impl_(std::move(impl)) {}

HttpRequest::~HttpRequest() = default;

std::shared_ptr<HttpRequest> HttpRequest::Create() {
  if (!curl_ready()) return nullptr;
  try {
    auto impl = std::make_unique<Impl>();
    impl->multi.reset(curl_multi_init());
    impl->easy.reset(curl_easy_init());
    if (!impl->multi || !impl->easy) return nullptr;
    return std::shared_ptr<HttpRequest>(new HttpRequest(std::move(impl)));
  } catch (...) {
    return nullptr;
  }
}

void HttpRequest::SetTimeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms) {
  impl_->resolve_ms = resolve_ms;
  impl_->connect_ms = connect_ms;
  impl_->send_ms = send_ms;
  impl_->receive_ms = receive_ms;
}

void HttpRequest::SetProxy(int setting, std::string_view proxy) {
  impl_->proxy_setting = setting;
  impl_->proxy = setting == 2 ? text_to_wire(trim(proxy)) : std::string();
}

bool HttpRequest::Open(std::string_view method, std::string_view url, bool /*asynchronous*/) {
  Impl& s = *impl_;
  s.clear_response();
  s.headers.clear();
  s.proxy_headers.clear();
  s.follow_redirects = true;
  s.http10 = false;
  s.hooks = {};
  const bool known = std::find(kMethods.begin(), kMethods.end(), method) != kMethods.end();
  s.method = known ? std::string(method) : std::string();
  s.url = wire_url(url);
  s.opened = known && !s.url.empty();
  return s.opened;
}

bool HttpRequest::SetRequestHeader(std::string_view name, std::string_view value) {
  Impl& s = *impl_;
  if (!s.opened || !is_token(name)) return false;
  if (value.find_first_of("\r\n") != std::string_view::npos || value.find('\0') != std::string_view::npos) {
    return false;
  }
  // The body's real length is what goes out, and the body goes out whole in one piece.
  if (same_name(name, "Content-Length") || same_name(name, "Expect") ||
      same_name(name, "Transfer-Encoding")) {
    return false;
  }
  put_header(same_name(name, "Proxy-Authorization") ? s.proxy_headers : s.headers, name, text_to_wire(value));
  return true;
}

void HttpRequest::Option(int index, int value) {
  // Certificate errors are never ignored: that would let anyone on the path pose as the host.
  if (index == kOptionFollowRedirects) impl_->follow_redirects = value != 0;
  if (index == kOptionHttp10) impl_->http10 = value != 0;
}

void HttpRequest::SetTransferHooks(TransferHooks hooks) {
  impl_->hooks = std::move(hooks);
}

bool HttpRequest::Send(std::string_view body) {
  const std::string wire = text_to_wire(body);
  return impl_->send(reinterpret_cast<const std::uint8_t*>(wire.data()), wire.size());
}

bool HttpRequest::Send(const Bytes& body) {
  return impl_->send(body.data(), body.size());
}

const Bytes& HttpRequest::ResponseBody() const {
  return impl_->body;
}

Text HttpRequest::GetallResponseHeaders() const {
  std::string joined;
  for (const auto& line : impl_->header_lines) {
    if (!joined.empty()) joined += "\r\n";
    joined += line;
  }
  return wire_to_text(joined);
}

int HttpRequest::Status() const {
  return impl_->status;
}

bool HttpRequest::Complete() const {
  return impl_->complete;
}

}  // namespace net
