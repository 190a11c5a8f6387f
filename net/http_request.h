#pragma once
// The HTTP request object behind web_request: one configurable, reusable request over libcurl.
//
// Use: optionally SetTimeouts and SetProxy, then Open, SetRequestHeader and Option, then Send
// once; read ResponseBody, GetallResponseHeaders and Status. Opening again starts a new request
// on the same object (its connections are reused).
//
// Texts are GBK. URLs cross to libcurl as UTF-8 with spaces and non-ASCII characters
// percent-encoded, as a browser sends them; header values and text bodies as UTF-8. Response
// header text that is UTF-8 comes back as GBK, other bytes as they are.
//
// Transfers are synchronous. Certificates are always verified against the system's store.
// Nothing here throws; a failed operation returns false or leaves the empty value to read.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string_view>

#include "net/text.h"

namespace net {

// Option indexes understood by HttpRequest::Option.
inline constexpr int kOptionIgnoreCertErrors = 4;  // accepted, never honoured
inline constexpr int kOptionFollowRedirects = 6;   // 0: a redirect response itself is returned
// This program's own index: non-zero sends the request as HTTP/1.0 (the plain GET of the
// update check), for the one request opened last.
inline constexpr int kOptionHttp10 = 100;

// Hops followed before a chain of redirects counts as a failure.
inline constexpr long kMaxRedirects = 10;

// Watchers of one transfer. on_progress runs on the sending thread at least every ~100 ms while
// Send waits (the window paints from it); received counts body bytes of the current response,
// total is its announced length or -1. With body_sink set, body bytes go there as they arrive
// instead of into ResponseBody; a false return aborts the transfer.
struct TransferHooks {
  std::function<void(std::int64_t received, std::int64_t total)> on_progress{};
  std::function<bool(const std::uint8_t* data, std::size_t size)> body_sink{};
};

class HttpRequest {
 public:
  // Empty when libcurl cannot be set up.
  static std::shared_ptr<HttpRequest> Create();

  ~HttpRequest();
  HttpRequest(const HttpRequest&) = delete;
  HttpRequest& operator=(const HttpRequest&) = delete;

  // Milliseconds; 0 or less adds no bound of its own. Resolve plus connect bound the connection
  // phase (the TLS handshake included); the longer of send and receive bounds how long the
  // connected transfer may go without moving a byte, never its total length. Kept across Open.
  // A new object starts with 0, 60000, 30000, 30000.
  void SetTimeouts(int resolve_ms, int connect_ms, int send_ms, int receive_ms);

  // Setting 2 with an address: use that proxy. Setting 1: no proxy at all. Setting 0 (the
  // start): the environment's http_proxy / https_proxy / all_proxy / no_proxy. Kept across Open.
  void SetProxy(int setting, std::string_view proxy = {});

  // Starts a new request: drops the headers, options, hooks and response of the last one.
  // `asynchronous` is accepted and ignored. False for an unknown method or an empty URL.
  // Methods: GET POST HEAD PUT OPTIONS DELETE TRACE CONNECT.
  bool Open(std::string_view method, std::string_view url, bool asynchronous = false);

  // Sets a header; setting a name again (any letter case) replaces its value. Refused: an
  // empty or malformed name, a value with a line break, and Content-Length, Expect and
  // Transfer-Encoding (the body's real length always goes out). Proxy-Authorization goes to
  // the proxy only.
  bool SetRequestHeader(std::string_view name, std::string_view value);

  void Option(int index, int value);

  void SetTransferHooks(TransferHooks hooks);

  // Sends the request with the body whole (HEAD sends none) and waits for the response.
  // False when no complete response arrived; the reads below are empty then.
  bool Send(std::string_view body = {});
  bool Send(const Bytes& body);

  const Bytes& ResponseBody() const;
  // Header lines of the final response (status line excluded) joined by CR LF.
  Text GetallResponseHeaders() const;
  int Status() const;
  // True when the last Send succeeded and, where the response announced its length, that
  // many body bytes arrived.
  bool Complete() const;

 private:
  struct Impl;
  explicit HttpRequest(std::unique_ptr<Impl> impl);

  std::unique_ptr<Impl> impl_;
};

}  // namespace net
