#pragma once
// web_request: every HTTP exchange of the program, in one synchronous call.
//
//   net::Text cookies;
//   net::Bytes page = net::web_request({.url = u, .method = 1, .body = form, .cookies = &cookies});
//
// The request goes out with the caller's header lines completed by the program's defaults
// (Accept, Referer = the URL, Accept-Language, User-Agent, and for POST a form Content-Type),
// which are written back into *headers. The cookies the response sets are collected and, when
// `cookies` is given and auto_merge holds, merged into it. Nothing throws and nothing is shown:
// a failure shows as empty Bytes, empty header text and status 0.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <optional>

#include "net/http_request.h"
#include "net/text.h"

namespace net {

// Method numbers: 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT;
// anything else is GET.
struct WebRequest {
  Text url{};
  int method = 0;
  Text body{};               // sent when body_bytes is empty
  Text* cookies{};           // in/out: the Cookie header when non-empty; receives the merged list
  Text* out_cookies{};       // cookies the response set, name=value joined by "; " (or the merge)
  Text* headers{};           // in/out: extra header lines joined by CR LF; receives the full set
  Text* out_headers{};       // response header lines joined by CR LF, "Set-Cookie" spelled so
  int* out_status{};         // HTTP status, 0 when nothing came back
  bool no_redirect = false;  // return a redirect response instead of following it
  Bytes body_bytes{};        // sent instead of body when it holds a byte
  Text proxy{};              // a named proxy; empty: the environment's proxy settings
  int timeout = 0;           // seconds; -1 leaves the request object's own; 0 or < -1: 15
  Text proxy_user{};         // with proxy: Basic credentials for the proxy
  Text proxy_password{};
  int proxy_auth = 1;  // 1: send the proxy credentials; other values: send none
  // An object of the caller's to use instead of a new one; a given empty one makes the
  // request fail as a failed creation would after the header lines were completed.
  std::optional<std::shared_ptr<HttpRequest>> request_object{};
  bool auto_merge = true;  // merge the response's cookies into *cookies

  // Watching the transfer (downloads). on_progress: received and announced body bytes (-1:
  // unknown), at least every ~100 ms while waiting. body_sink: takes the body as it arrives
  // instead of the result; false aborts. out_complete: true only when the transfer succeeded
  // and every announced byte arrived.
  std::function<void(std::int64_t received, std::int64_t total)> on_progress{};
  std::function<bool(const std::uint8_t* data, std::size_t size)> body_sink{};
  bool* out_complete{};
};

// The response body; empty when nothing came back (or when body_sink took it).
Bytes web_request(const WebRequest& request) noexcept;

// Makes every spelling of "Set-Cookie" in `response_headers` exactly "Set-Cookie", in place,
// and returns the name=value items of its Set-Cookie lines joined by "; ", attributes dropped.
Text collect_response_cookies(Text& response_headers);

}  // namespace net
