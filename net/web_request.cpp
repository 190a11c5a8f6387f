#include "net/web_request.h"

#include <array>
#include <climits>
#include <string_view>

#include "net/cookies.h"
#include "net/encode.h"

namespace net {
namespace {

constexpr std::array<std::string_view, 8> kMethodNames = {"GET",     "POST",   "HEAD",  "PUT",
                                                          "OPTIONS", "DELETE", "TRACE", "CONNECT"};
constexpr int kPost = 1;
constexpr int kDefaultTimeoutMs = 15000;

int timeout_ms(int seconds) {
  if (seconds < 1) return kDefaultTimeoutMs;
  // Beyond what milliseconds in an int hold, the longest bound there is.
  return seconds > INT_MAX / 1000 ? INT_MAX : seconds * 1000;
}

// Completes the caller's header lines with the program's defaults; each test looks at the whole
// text as it stands, so a line the caller gave (in this exact spelling) is never doubled.
void add_default_headers(Text& headers, std::string_view url, int method) {
  if (headers.empty()) {
    headers = "Accept: */*";
  } else if (!contains(headers, "Accept:")) {
    headers += "\r\nAccept: */*";
  }
  if (!contains(headers, "Referer:")) {
    headers += "\r\nReferer: ";
    headers += url;
  }
  if (!contains(headers, "Accept-Language:")) headers += "\r\nAccept-Language: zh-cn";
  if (!contains(headers, "User-Agent:")) {
    headers += "\r\nUser-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";
  }
  if (method == kPost && !contains(headers, "Content-Type:")) {
    headers += "\r\nContent-Type: application/x-www-form-urlencoded";
  }
}

Bytes run(const WebRequest& args) {
  if (args.out_complete) *args.out_complete = false;
  const int method = args.method < 0 || args.method > 7 ? 0 : args.method;

  std::shared_ptr<HttpRequest> request;
  if (args.request_object) {
    request = *args.request_object;
  } else {
    request = HttpRequest::Create();
    if (!request) return {};
  }
  // A supplied empty object fails every operation; the steps still run.
  HttpRequest* const req = request.get();

  if (req && args.timeout != -1) {
    const int ms = timeout_ms(args.timeout);
    req->SetTimeouts(ms, ms, ms, ms);
  }
  if (req && !args.proxy.empty()) req->SetProxy(2, args.proxy);
  if (req) req->Open(kMethodNames[method], args.url, false);

  if (req && !args.proxy.empty() && !args.proxy_user.empty() && args.proxy_auth == 1) {
    req->SetRequestHeader("Proxy-Authorization",
                          "Basic " + base64_encode(args.proxy_user + ":" + args.proxy_password));
  }
  if (req) {
    if (args.no_redirect) req->Option(kOptionFollowRedirects, 0);
    req->Option(kOptionIgnoreCertErrors, 0x3300);
  }

  Text own_headers;
  Text& headers = args.headers ? *args.headers : own_headers;
  add_default_headers(headers, args.url, method);

  if (req && args.cookies && !args.cookies->empty()) req->SetRequestHeader("Cookie", *args.cookies);
  if (req) {
    for (const Text& line : split(headers, "\r\n")) {
      if (!line.empty()) req->SetRequestHeader(header_name(line), header_value(line));
    }
    req->SetTransferHooks({.on_progress = args.on_progress, .body_sink = args.body_sink});
    if (!args.body_bytes.empty()) {
      req->Send(args.body_bytes);
    } else {
      req->Send(args.body);
    }
    // The caller's object must not keep the caller's watchers alive.
    req->SetTransferHooks({});
  }

  Bytes result = req ? req->ResponseBody() : Bytes();
  Text response_headers = req ? req->GetallResponseHeaders() : Text();
  Text response_cookies = collect_response_cookies(response_headers);
  if (args.out_headers) *args.out_headers = response_headers;
  if (args.out_status) *args.out_status = req ? req->Status() : 0;
  if (args.out_complete) *args.out_complete = req && req->Complete();

  if (args.auto_merge && args.cookies) response_cookies = merge_cookies(*args.cookies, response_cookies);
  if (args.out_cookies) *args.out_cookies = response_cookies;
  return result;
}

}  // namespace

Bytes web_request(const WebRequest& request) noexcept {
  try {
    return run(request);
  } catch (...) {
    // Only memory can run out here; the caller sees it as nothing having come back.
    return {};
  }
}

Text collect_response_cookies(Text& response_headers) {
  response_headers = replace_text(response_headers, "Set-Cookie", "Set-Cookie", {.ignore_case = true});
  Text cookies;
  for (const Text& line : split(response_headers, "\r\n")) {
    if (!contains(line, "Set-Cookie")) continue;
    // Only the first name=value pair counts; the attributes after it are the browser's.
    const Text item = contains(line, ";")
                          ? trim(text_between(line, "Set-Cookie:", ";"))
                          : trim(replace_text(line, "Set-Cookie:", "", {.ignore_case = true}));
    cookies += item;
    cookies += "; ";
  }
  if (!cookies.empty()) cookies.resize(cookies.size() - 2);
  return cookies;
}

}  // namespace net
