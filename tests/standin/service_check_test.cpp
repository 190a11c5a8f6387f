#include "tools/standin/service_check.h"

#include <gtest/gtest.h>

#include <functional>

#include "tests/standin/wire.h"

namespace standin {
namespace {

using standin_test::crc32_decimal;
using standin_test::percent_encode;

// 中文 视频 in GBK and in UTF-8.
const std::string kChineseGbk = "\xD6\xD0\xCE\xC4 \xCA\xD3\xC6\xB5";
const std::string kChineseUtf8 = "\xE4\xB8\xAD\xE6\x96\x87 \xE8\xA7\x86\xE9\xA2\x91";

TEST(FormDecode, Cases) {
  struct Case {
    const char* what_it_proves;
    std::string encoded;
    std::string decoded;
  } cases[] = {
      {"percent escapes become bytes, either letter case", "%D6%d0", "\xD6\xD0"},
      {"plus is a space in a form", "a+b", "a b"},
      {"a percent without two hex digits stays", "100%", "100%"},
      {"a percent followed by one hex digit stays", "%4", "%4"},
      {"a percent followed by non-hex stays", "%zz1", "%zz1"},
  };
  for (const auto& c : cases)
    EXPECT_EQ(form_decode(c.encoded), c.decoded) << c.what_it_proves;
}

TEST(FormField, FindsDecodedValues) {
  std::string body = "link=" + percent_encode(kChineseGbk) + "&r=0123&s=&flag";
  EXPECT_EQ(form_field(body, "link"), kChineseGbk);
  EXPECT_EQ(form_field(body, "r"), "0123");
  EXPECT_EQ(form_field(body, "s"), "") << "present but empty";
  EXPECT_EQ(form_field(body, "flag"), "") << "a field without '='";
  EXPECT_FALSE(form_field(body, "lin").has_value()) << "names match whole";
}

TEST(ExpectedSignature, IsZlibCrcOfTheUtf8Link) {
  EXPECT_EQ(expected_signature("https://v.example/abc", "5423"), crc32_decimal("https://v.example/abc@5423"));
  EXPECT_EQ(expected_signature(kChineseGbk, "77"), crc32_decimal(kChineseUtf8 + "@77"));
  EXPECT_EQ(expected_signature("", "9"), crc32_decimal("@9"));
}

// A request that passes every check; each row below spoils one thing.
struct Request {
  std::vector<std::string> lines;
  std::string body;
  std::size_t unread = 0;
};

Request good_request() {
  std::string link = std::string("https://v.example/s/") + kChineseGbk;
  std::string r = "8271635";
  Request request;
  request.body = "link=" + percent_encode(link) + "&r=" + r +
                 "&s=" + crc32_decimal("https://v.example/s/" + kChineseUtf8 + "@" + r);
  request.lines = {
      "Accept: application/json, text/javascript, */*; q=0.01",
      "Accept-Encoding: gzip, deflate",
      "Accept-Language: zh-CN,zh;q=0.9",
      "Connection: keep-alive",
      "Content-Length: " + std::to_string(request.body.size()),
      "Content-Type: application/x-www-form-urlencoded; charset=UTF-8",
      "Host: api.parse-service.example",
      "Origin: http://www.parse-service.example",
      "User-Agent: Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/66.0.3359.181 Safari/537.36",
      "Referer: http://api.parse-service.example/video/douyin",
      "Cookie: PHPSESSID=abc; token=def",
  };
  return request;
}

void replace_line(Request& request, std::string_view name, std::string line) {
  for (auto& existing : request.lines) {
    if (existing.compare(0, name.size(), name) == 0 && existing[name.size()] == ':') existing = line;
  }
}

TEST(CheckServiceRequest, EachCheckCatchesItsFault) {
  struct Case {
    const char* what_it_proves;
    std::function<void(Request&)> spoil;
    bool signature_ok, cookies_ok, headers_ok, content_length_ok;
  } cases[] = {
      {"a faithful request passes", [](Request&) {}, true, true, true, true},
      {"header names in another letter case still pass",
       [](Request& q) { replace_line(q, "Origin", "origin: http://www.parse-service.example"); }, true, true,
       true, true},
      {"a signature one off is refused",
       [](Request& q) {
         auto s = form_field(q.body, "s").value();
         auto wrong = std::to_string(std::stoul(s) ^ 1u);
         q.body.replace(q.body.rfind(s), s.size(), wrong);
         replace_line(q, "Content-Length", "Content-Length: " + std::to_string(q.body.size()));
       },
       false, true, true, true},
      {"a signature over the GBK bytes instead of UTF-8 is refused",
       [](Request& q) {
         auto link = form_field(q.body, "link").value();
         q.body = "link=" + percent_encode(link) + "&r=1&s=" + crc32_decimal(link + "@1");
         replace_line(q, "Content-Length", "Content-Length: " + std::to_string(q.body.size()));
       },
       false, true, true, true},
      {"a form without s is refused",
       [](Request& q) {
         q.body = q.body.substr(0, q.body.find("&s="));
         replace_line(q, "Content-Length", "Content-Length: " + std::to_string(q.body.size()));
       },
       false, true, true, true},
      {"one cookie missing is refused",
       [](Request& q) { replace_line(q, "Cookie", "Cookie: PHPSESSID=abc"); }, true, false, true, true},
      {"a changed cookie value is refused",
       [](Request& q) { replace_line(q, "Cookie", "Cookie: PHPSESSID=abc; token=xyz"); }, true, false, true,
       true},
      {"cookies spread over two Cookie lines pass",
       [](Request& q) {
         replace_line(q, "Cookie", "Cookie: token=def");
         q.lines.push_back("Cookie: PHPSESSID=abc");
       },
       true, true, true, true},
      {"an Origin with a closing slash is refused",
       [](Request& q) { replace_line(q, "Origin", "Origin: http://www.parse-service.example/"); }, true, true,
       false, true},
      {"a missing Accept-Language is refused",
       [](Request& q) { replace_line(q, "Accept-Language", "X-Dropped: 1"); }, true, true, false, true},
      {"a header sent twice is refused",
       [](Request& q) { q.lines.push_back("Accept-Encoding: gzip, deflate"); }, true, true, false, true},
      {"a Host with a port is refused",
       [](Request& q) { replace_line(q, "Host", "Host: api.parse-service.example:80"); }, true, true, false,
       true},
      {"the stored Content-Length of 245 is refused",
       [](Request& q) { replace_line(q, "Content-Length", "Content-Length: 245"); }, true, true, true, false},
      {"bytes beyond the announced length are refused", [](Request& q) { q.unread = 12; }, true, true, true,
       false},
  };
  std::vector<std::string> cookies = {"PHPSESSID=abc", "token=def"};
  for (const auto& c : cases) {
    auto request = good_request();
    c.spoil(request);
    auto verdict = check_service_request({.header_lines = &request.lines,
                                          .body = request.body,
                                          .unread_after_body = request.unread,
                                          .required_cookies = &cookies});
    EXPECT_EQ(verdict.signature_ok, c.signature_ok) << c.what_it_proves;
    EXPECT_EQ(verdict.cookies_ok, c.cookies_ok) << c.what_it_proves;
    EXPECT_EQ(verdict.headers_ok, c.headers_ok) << c.what_it_proves;
    EXPECT_EQ(verdict.content_length_ok, c.content_length_ok) << c.what_it_proves;
    EXPECT_EQ(verdict.accepted(), verdict.complaints.empty()) << c.what_it_proves;
  }
}

TEST(CheckServiceRequest, ReportsTheDecodedForm) {
  auto request = good_request();
  std::vector<std::string> cookies;
  auto verdict = check_service_request(
      {.header_lines = &request.lines, .body = request.body, .required_cookies = &cookies});
  EXPECT_EQ(verdict.link, std::string("https://v.example/s/") + kChineseGbk);
  EXPECT_EQ(verdict.r, "8271635");
  EXPECT_EQ(verdict.s, crc32_decimal("https://v.example/s/" + kChineseUtf8 + "@8271635"));
}

}  // namespace
}  // namespace standin
