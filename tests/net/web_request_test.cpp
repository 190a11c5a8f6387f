#include "net/web_request.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "net/http_request.h"
#include "tests/support/raw_server.h"
#include "tests/support/recording_server.h"
#include "tests/support/tls_server.h"

namespace net {
namespace {

using testing_support::raw_body;
using testing_support::raw_header_lines;
using testing_support::RawServer;
using testing_support::RecordingServer;

constexpr const char* kUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

std::string as_string(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

bool has_line(const Text& header_text, const std::string& line) {
  for (const Text& piece : split(header_text, "\r\n")) {
    if (piece == line) return true;
  }
  return false;
}

// A port on 127.0.0.1 where nothing listens any more.
int closed_port() {
  const RawServer gone;
  return gone.port();
}

struct MethodCase {
  int number = 0;
  std::string sent{};
  const char* proves = "";
};

TEST(WebRequest, MethodNumberPicksTheMethod) {
  RecordingServer server(
      [](const httplib::Request&, httplib::Response& res) { res.set_content("body", "text/plain"); });
  server.start();
  const std::vector<MethodCase> cases = {
      {0, "GET", "0 is GET"},
      {1, "POST", "1 is POST"},
      {2, "HEAD", "2 is HEAD"},
      {3, "PUT", "3 is PUT"},
      {4, "OPTIONS", "4 is OPTIONS"},
      {5, "DELETE", "5 is DELETE"},
      {6, "TRACE", "6 is TRACE"},
      {7, "CONNECT", "7 is CONNECT"},
      {8, "GET", "just past the table falls back to GET"},
      {9, "GET", "beyond the table falls back to GET"},
      {-1, "GET", "a negative number falls back to GET"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.proves);
    int status = 0;
    const Bytes body = web_request({.url = server.url("/m"), .method = c.number, .out_status = &status});
    EXPECT_EQ(server.last().method, c.sent);
    EXPECT_EQ(status, 200);
    // HEAD asks for no body, and none is read even though the server names one.
    EXPECT_EQ(as_string(body), c.sent == "HEAD" ? "" : "body");
  }
  EXPECT_EQ(server.requests().size(), cases.size());
}

TEST(WebRequest, GetWithoutHeadersGetsTheDefaultLines) {
  RecordingServer server;
  server.start();
  const std::string url = server.url("/page?x=1");
  Text headers;
  web_request({.url = url, .headers = &headers});

  EXPECT_EQ(headers,
            "Accept: */*\r\nReferer: " + url + "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + kUserAgent);
  const auto seen = server.last();
  EXPECT_EQ(seen.method, "GET");
  EXPECT_EQ(seen.header("Accept"), "*/*");
  EXPECT_EQ(seen.header("Referer"), url);
  EXPECT_EQ(seen.header("Accept-Language"), "zh-cn");
  EXPECT_EQ(seen.header("User-Agent"), kUserAgent);
  EXPECT_EQ(seen.header_count("Content-Type"), 0u);
  EXPECT_EQ(seen.header_count("Content-Length"), 0u);
}

TEST(WebRequest, PostCompletesTheCallersLinesInPlace) {
  RecordingServer server;
  server.start();
  const std::string url = server.url("/form");
  Text headers = "Accept: text/html\r\n";
  web_request({.url = url, .method = 1, .body = "a=1&b=2", .headers = &headers});

  // The Referer line follows the empty line the caller's closing CR LF leaves.
  EXPECT_EQ(headers, "Accept: text/html\r\n\r\nReferer: " + url +
                         "\r\nAccept-Language: zh-cn\r\nUser-Agent: " + kUserAgent +
                         "\r\nContent-Type: application/x-www-form-urlencoded");
  const auto seen = server.last();
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.header_count("Accept"), 1u);
  EXPECT_EQ(seen.header("Accept"), "text/html");
  EXPECT_EQ(seen.header("Referer"), url);
  EXPECT_EQ(seen.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(seen.body, "a=1&b=2");
}

TEST(WebRequest, PostKeepsTheCallersContentTypeAndHeadersLeftOutStillGetDefaults) {
  RecordingServer server;
  server.start();
  Text headers = "Content-Type: application/json\r\nX-Extra: 7";
  web_request({.url = server.url("/j"), .method = 1, .body = "{}", .headers = &headers});
  EXPECT_FALSE(contains(headers, "x-www-form-urlencoded"));
  auto seen = server.last();
  EXPECT_EQ(seen.header_count("Content-Type"), 1u);
  EXPECT_EQ(seen.header("Content-Type"), "application/json");
  EXPECT_EQ(seen.header("X-Extra"), "7");

  // Without a headers variable the defaults still go out.
  web_request({.url = server.url("/k"), .method = 1, .body = "q=1"});
  seen = server.last();
  EXPECT_EQ(seen.header("Content-Type"), "application/x-www-form-urlencoded");
  EXPECT_EQ(seen.header("User-Agent"), kUserAgent);
}

TEST(WebRequest, CallersLinesInAnotherLetterCaseDoNotCountAsPresent) {
  RecordingServer server;
  server.start();
  const std::string url = server.url("/case");
  Text headers = "accept: text/plain\r\nreferer: http://other.example/";
  web_request({.url = url, .headers = &headers});

  EXPECT_TRUE(has_line(headers, "accept: text/plain"));
  EXPECT_TRUE(has_line(headers, "Accept: */*"));
  EXPECT_TRUE(has_line(headers, "referer: http://other.example/"));
  EXPECT_TRUE(has_line(headers, "Referer: " + url));
  // Both spellings name one header; the default line, set later, wins.
  const auto seen = server.last();
  EXPECT_EQ(seen.header_count("Accept"), 1u);
  EXPECT_EQ(seen.header("Accept"), "*/*");
  EXPECT_EQ(seen.header_count("Referer"), 1u);
  EXPECT_EQ(seen.header("Referer"), url);
}

TEST(WebRequest, HeaderLinesAreSplitAtCrLfAndBadLinesAreSkipped) {
  RecordingServer server;
  server.start();
  Text headers = "X-A: 1\r\nNoColonHere\r\n: empty name\r\nX-B:  two: parts \r\n\r\nX-C: 3";
  int status = 0;
  const Bytes body = web_request({.url = server.url("/h"), .headers = &headers, .out_status = &status});
  EXPECT_EQ(status, 200);
  EXPECT_EQ(as_string(body), "ok");
  const auto seen = server.last();
  EXPECT_EQ(seen.header("X-A"), "1");
  EXPECT_EQ(seen.header("X-B"), "two: parts");  // only the first colon separates
  EXPECT_EQ(seen.header("X-C"), "3");
  EXPECT_EQ(seen.header_count("NoColonHere"), 0u);
}

TEST(WebRequest, CookieHeaderGoesOutOnlyWhenThereAreCookies) {
  RecordingServer server;
  server.start();
  Text cookies = "sid=1; u=2";
  web_request({.url = server.url("/c"), .cookies = &cookies});
  EXPECT_EQ(server.last().header("Cookie"), "sid=1; u=2");

  Text none;
  web_request({.url = server.url("/c"), .cookies = &none});
  EXPECT_EQ(server.last().header_count("Cookie"), 0u);
  web_request({.url = server.url("/c")});
  EXPECT_EQ(server.last().header_count("Cookie"), 0u);
}

void set_three_cookies(const httplib::Request&, httplib::Response& res) {
  res.set_header("Set-Cookie", "a=1; path=/");
  res.set_header("set-cookie", "b=2");
  res.set_header("SET-COOKIE", "c=3; HttpOnly; Path=/x");
  res.set_content("cookies", "text/plain");
}

TEST(WebRequest, EverySpellingOfSetCookieIsReadAndMadeExact) {
  RecordingServer server(set_three_cookies);
  server.start();
  Text out_cookies = "stale=1";
  Text out_headers;
  web_request({.url = server.url("/set"), .out_cookies = &out_cookies, .out_headers = &out_headers});

  EXPECT_EQ(out_cookies, "a=1; b=2; c=3");
  EXPECT_TRUE(has_line(out_headers, "Set-Cookie: a=1; path=/"));
  EXPECT_TRUE(has_line(out_headers, "Set-Cookie: b=2"));
  EXPECT_TRUE(has_line(out_headers, "Set-Cookie: c=3; HttpOnly; Path=/x"));
  EXPECT_FALSE(contains(out_headers, "set-cookie"));
  EXPECT_FALSE(contains(out_headers, "SET-COOKIE"));
  EXPECT_FALSE(contains(out_headers, "HTTP/1.1"));  // the status line is not a header
}

TEST(WebRequest, NoSetCookieLeavesNoCookies) {
  RecordingServer server;
  server.start();
  Text out_cookies = "stale=1";
  Text cookies = "keep=1";
  web_request({.url = server.url("/plain"), .cookies = &cookies, .out_cookies = &out_cookies});
  EXPECT_EQ(out_cookies, "keep=1");  // the merge of the old list with nothing
  EXPECT_EQ(cookies, "keep=1");

  web_request({.url = server.url("/plain"), .out_cookies = &out_cookies});
  EXPECT_EQ(out_cookies, "");
}

struct MergeCase {
  bool supply_cookies = false;
  Text cookies_before{};
  bool auto_merge = true;
  Text cookies_after{};
  Text out_cookies{};
  const char* proves = "";
};

TEST(WebRequest, ResponseCookiesAreMergedIntoTheCallersOnlyWhenSupplied) {
  RecordingServer server([](const httplib::Request&, httplib::Response& res) {
    res.set_header("Set-Cookie", "b=3; path=/");
    res.set_header("Set-Cookie", "c=4");
    res.set_header("Set-Cookie", "gone=deleted; Max-Age=0");
  });
  server.start();
  const std::vector<MergeCase> cases = {
      {true, "b=0; old=1; gone=9", true, "b=3; c=4; old=1", "b=3; c=4; old=1",
       "the response's cookies win, old ones follow, deleted ones go, both variables agree"},
      {true, "", true, "b=3; c=4", "b=3; c=4", "an empty supplied list is merged into too"},
      {true, "b=0; old=1", false, "b=0; old=1", "b=3; c=4; gone=deleted",
       "auto_merge off leaves the caller's list"},
      {false, "", true, "", "b=3; c=4; gone=deleted", "cookies left out: no merge, whatever auto_merge says"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.proves);
    Text cookies = c.cookies_before;
    Text out_cookies;
    web_request({.url = server.url("/merge"),
                 .cookies = c.supply_cookies ? &cookies : nullptr,
                 .out_cookies = &out_cookies,
                 .auto_merge = c.auto_merge});
    EXPECT_EQ(cookies, c.cookies_after);
    EXPECT_EQ(out_cookies, c.out_cookies);
  }
}

TEST(WebRequest, BodyBytesWinOverTheBodyText) {
  RecordingServer server;
  server.start();
  const Bytes bytes = {'b', 0, 'c', 0xFF};
  web_request({.url = server.url("/up"), .method = 1, .body = "text", .body_bytes = bytes});
  auto seen = server.last();
  EXPECT_EQ(seen.body, std::string("b\0c\xFF", 4));
  EXPECT_EQ(seen.header("Content-Length"), "4");

  web_request({.url = server.url("/up"), .method = 1, .body = "text"});
  EXPECT_EQ(server.last().body, "text");
}

TEST(WebRequest, OnlyTheSetHeaderLinesAndTheRealLengthGoOnTheWire) {
  RawServer server;
  const std::string url = server.url("/raw");
  Text headers = "X-Empty:\r\nContent-Length: 245\r\nExpect: 100-continue";
  web_request({.url = url, .method = 1, .body = "abc", .headers = &headers});
  ASSERT_EQ(server.requests().size(), 1u);
  const std::string raw = server.requests()[0];
  EXPECT_TRUE(raw.starts_with("POST /raw HTTP/1.1\r\n"));
  auto lines = raw_header_lines(raw);
  std::sort(lines.begin(), lines.end());
  std::vector<std::string> expected = {
      "Host: 127.0.0.1:" + std::to_string(server.port()),
      "X-Empty:",  // an empty value still names a header
      "Accept: */*",
      "Referer: " + url,
      "Accept-Language: zh-cn",
      std::string("User-Agent: ") + kUserAgent,
      "Content-Type: application/x-www-form-urlencoded",
      "Content-Length: 3",
  };
  std::sort(expected.begin(), expected.end());
  EXPECT_EQ(lines, expected);
  EXPECT_EQ(raw_body(raw), "abc");
}

TEST(WebRequest, ALargeBodyGoesOutWholeWithoutWaitingForContinue) {
  RawServer server;
  const std::string big(300 * 1024, 'x');
  int status = 0;
  web_request({.url = server.url("/big"), .method = 1, .body = big, .out_status = &status});
  EXPECT_EQ(status, 200);
  ASSERT_EQ(server.requests().size(), 1u);
  const std::string raw = server.requests()[0];
  const auto lines = raw_header_lines(raw);
  EXPECT_EQ(std::count(lines.begin(), lines.end(), "Content-Length: " + std::to_string(big.size())), 1);
  EXPECT_EQ(
      std::count_if(lines.begin(), lines.end(), [](const std::string& l) { return l.starts_with("Expect"); }),
      0);
  EXPECT_EQ(raw_body(raw).size(), big.size());
  EXPECT_TRUE(raw_body(raw) == big);
}

TEST(WebRequest, StatusAndHeadersOfAnErrorReplyComeBack) {
  RecordingServer server([](const httplib::Request&, httplib::Response& res) {
    res.status = 404;
    res.set_header("X-Why", "missing");
    res.set_content("not here", "text/plain");
  });
  server.start();
  int status = 0;
  Text out_headers;
  const Bytes body =
      web_request({.url = server.url("/none"), .out_headers = &out_headers, .out_status = &status});
  EXPECT_EQ(status, 404);
  EXPECT_EQ(as_string(body), "not here");
  EXPECT_TRUE(has_line(out_headers, "X-Why: missing"));
}

TEST(WebRequest, NothingComingBackEmptiesTheOutputsAndKeepsTheOldCookiesTidied) {
  Text cookies = " a=1; a=2; z=deleted ";
  Text out_cookies = "stale=1";
  Text out_headers = "stale";
  int status = 7;
  const Bytes body = web_request({.url = "http://127.0.0.1:" + std::to_string(closed_port()) + "/",
                                  .cookies = &cookies,
                                  .out_cookies = &out_cookies,
                                  .out_headers = &out_headers,
                                  .out_status = &status,
                                  .timeout = 2});
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(out_headers, "");
  EXPECT_EQ(status, 0);
  EXPECT_EQ(cookies, "a=1");
  EXPECT_EQ(out_cookies, "a=1");

  Text headers;
  EXPECT_TRUE(web_request({.url = "", .headers = &headers, .out_status = &status}).empty());
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(contains(headers, "Accept: */*"));
}

void redirecting(const httplib::Request& req, httplib::Response& res) {
  if (req.path == "/from") {
    res.set_redirect("/to", 302);
    res.set_header("Set-Cookie", "hop=1");
    res.set_content("moved", "text/plain");
  } else {
    res.set_header("Set-Cookie", "final=2");
    res.set_content("arrived", "text/plain");
  }
}

TEST(WebRequest, RedirectIsFollowedUnlessAskedNotTo) {
  RecordingServer server(redirecting);
  server.start();
  int status = 0;
  Text out_headers;
  Text out_cookies;
  Bytes body = web_request({.url = server.url("/from"),
                            .out_cookies = &out_cookies,
                            .out_headers = &out_headers,
                            .out_status = &status});
  EXPECT_EQ(status, 200);
  EXPECT_EQ(as_string(body), "arrived");
  EXPECT_EQ(out_cookies, "final=2");  // only the final response's headers are read
  EXPECT_FALSE(contains(out_headers, "Location"));
  ASSERT_EQ(server.requests().size(), 2u);
  EXPECT_EQ(server.requests()[1].path, "/to");

  body = web_request({.url = server.url("/from"),
                      .out_cookies = &out_cookies,
                      .out_headers = &out_headers,
                      .out_status = &status,
                      .no_redirect = true});
  EXPECT_EQ(status, 302);
  EXPECT_EQ(as_string(body), "moved");
  EXPECT_TRUE(has_line(out_headers, "Location: /to"));
  EXPECT_EQ(out_cookies, "hop=1");
  EXPECT_EQ(server.requests().size(), 3u);
}

TEST(WebRequest, SuppliedRequestObjectIsUsedAndStaysUsable) {
  RecordingServer server(redirecting);
  server.start();
  auto object = HttpRequest::Create();
  ASSERT_TRUE(object);

  int status = 0;
  const Bytes body = web_request(
      {.url = server.url("/from"), .out_status = &status, .no_redirect = true, .request_object = object});
  EXPECT_EQ(status, 302);
  // What the call read is what the caller's object holds: it did the work.
  EXPECT_EQ(object->Status(), 302);
  EXPECT_EQ(object->ResponseBody(), body);
  EXPECT_EQ(object.use_count(), 1);

  // The caller goes on with it; the no-redirect option of the last request does not linger.
  ASSERT_TRUE(object->Open("GET", server.url("/from")));
  ASSERT_TRUE(object->Send());
  EXPECT_EQ(object->Status(), 200);
  EXPECT_EQ(as_string(object->ResponseBody()), "arrived");

  web_request({.url = server.url("/from"), .out_status = &status, .request_object = object});
  EXPECT_EQ(status, 200);
}

TEST(WebRequest, SuppliedEmptyRequestObjectFailsAfterTheHeaderLinesAreCompleted) {
  RecordingServer server;
  server.start();
  Text headers;
  Text cookies = "a=1";
  int status = 9;
  const Bytes body = web_request({.url = server.url("/x"),
                                  .cookies = &cookies,
                                  .headers = &headers,
                                  .out_status = &status,
                                  .request_object = std::shared_ptr<HttpRequest>()});
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(status, 0);
  EXPECT_TRUE(contains(headers, "User-Agent: "));
  EXPECT_EQ(cookies, "a=1");
  EXPECT_TRUE(server.requests().empty());
}

TEST(WebRequest, AddressWithSpacesAndChineseGoesOutAsUtf8PercentEncoding) {
  RecordingServer server;
  server.start();
  // GBK: /a b/中文?q=中
  const Text url = server.url("/a b/\xD6\xD0\xCE\xC4?q=\xD6\xD0");
  int status = 0;
  web_request({.url = url, .out_status = &status});
  EXPECT_EQ(status, 200);
  const auto seen = server.last();
  EXPECT_EQ(seen.target, "/a%20b/%E4%B8%AD%E6%96%87?q=%E4%B8%AD");
  EXPECT_EQ(seen.path, "/a b/\xE4\xB8\xAD\xE6\x96\x87");
}

TEST(WebRequest, SelfSignedCertificateIsRefused) {
  testing_support::LocalTlsServer tls;
  ASSERT_TRUE(tls.valid()) << "no throwaway certificate could be made";
  tls.server().Get(
      "/", [](const httplib::Request&, httplib::Response& res) { res.set_content("secret", "text/plain"); });
  tls.start();

  // The server itself answers a client that does not check certificates ...
  httplib::SSLClient unchecked("127.0.0.1", tls.port());
  unchecked.enable_server_certificate_verification(false);
  const auto direct = unchecked.Get("/");
  ASSERT_TRUE(direct);
  EXPECT_EQ(direct->body, "secret");

  // ... but the program does check them, though it asks to ignore certificate errors.
  int status = 7;
  Text out_headers = "stale";
  const Bytes body = web_request({.url = tls.url("/"), .out_headers = &out_headers, .out_status = &status});
  EXPECT_TRUE(body.empty());
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out_headers, "");
}

}  // namespace
}  // namespace net
