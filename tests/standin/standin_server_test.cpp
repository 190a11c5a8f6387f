#include "tools/standin/standin_server.h"

#include <gtest/gtest.h>
#include <httplib.h>
#include <zlib.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <functional>
#include <thread>

#include "resolve/hosts.h"
#include "tests/standin/wire.h"

namespace standin {
namespace {

using namespace std::chrono_literals;
using standin_test::crc32_decimal;
using standin_test::gunzip;
using standin_test::percent_encode;
using standin_test::raw_exchange;
using standin_test::RawReply;

const std::string kApi(resolve::hosts::kApiHost);
const std::string kFrontEnd(resolve::hosts::kFrontEndHost);
const std::string kPublisher(resolve::hosts::kPublisherHost);
const std::string kMedia(kMediaHost);

std::string get_request(const std::string& host, const std::string& path) {
  return "GET http://" + host + path + " HTTP/1.1\r\nHost: " + host +
         "\r\nAccept: */*\r\nConnection: close\r\n\r\n";
}

// The pieces of a service POST; each defaults to what the program sends.
struct Post {
  std::string path = "/video/douyin";
  std::string link_gbk = "https://v.douyin.example/iRNBho6u/";
  std::string link_utf8 = "https://v.douyin.example/iRNBho6u/";
  std::string r = "6153901471";
  std::optional<std::string> s{};  // the right signature unless set
  std::string cookie{};            // the Cookie header's value; none when empty
  std::function<void(std::vector<std::string>&)> edit_headers{};
};

std::string service_post(const Post& post) {
  std::string s = post.s.value_or(crc32_decimal(post.link_utf8 + "@" + post.r));
  std::string body = "link=" + percent_encode(post.link_gbk) + "&r=" + post.r + "&s=" + s;
  std::vector<std::string> lines = {
      "Accept: application/json, text/javascript, */*; q=0.01",
      "Accept-Encoding: gzip, deflate",
      "Accept-Language: zh-CN,zh;q=0.9",
      "Connection: close",
      "Content-Length: " + std::to_string(body.size()),
      "Content-Type: application/x-www-form-urlencoded; charset=UTF-8",
      "Host: " + kApi,
      "Origin: http://" + kFrontEnd,
      "User-Agent: Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
      "Chrome/66.0.3359.181 Safari/537.36",
      "Referer: http://" + kApi + post.path,
  };
  if (!post.cookie.empty()) lines.push_back("Cookie: " + post.cookie);
  if (post.edit_headers) post.edit_headers(lines);
  std::string request = "POST http://" + kApi + post.path + " HTTP/1.1\r\n";
  for (const auto& line : lines)
    request += line + "\r\n";
  return request + "\r\n" + body;
}

class StandinTest : public ::testing::Test {
 protected:
  void SetUp() override { server.start(); }

  RawReply exchange(const std::string& request, int timeout_ms = 5000) {
    return raw_exchange(server.port(), request, timeout_ms);
  }

  // The Cookie header a browser would send after the front-end page: its name=value pairs.
  std::string cookies_from_front_page() {
    auto page = exchange(get_request(kFrontEnd, "/"));
    std::string cookie;
    for (const auto& set_cookie : page.headers("Set-Cookie")) {
      if (!cookie.empty()) cookie += "; ";
      cookie += set_cookie.substr(0, set_cookie.find(';'));
    }
    return cookie;
  }

  StandinServer server;
};

TEST_F(StandinTest, FrontPageSetsTwoCookiesWithAttributes) {
  auto page = exchange(get_request(kFrontEnd, "/"));
  ASSERT_EQ(page.status, 200);
  auto set_cookies = page.headers("Set-Cookie");
  auto expected = server.front_cookies();
  ASSERT_EQ(set_cookies.size(), 2u);
  ASSERT_EQ(expected.size(), 2u);
  for (std::size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(set_cookies[i].substr(0, set_cookies[i].find(';')), expected[i].pair());
    EXPECT_NE(set_cookies[i].find("; path=/"), std::string::npos) << set_cookies[i];
  }
  EXPECT_NE(set_cookies[1].find("expires="), std::string::npos);
  EXPECT_NE(set_cookies[1].find("HttpOnly"), std::string::npos);
  EXPECT_NE(expected[0].value, expected[1].value);
}

TEST_F(StandinTest, GoodRequestGetsGzipReplyInEachSiteShape) {
  std::string cookie = cookies_from_front_page();
  for (const auto& site : kServiceSites) {
    std::string name(site.name);
    std::string video = "http://" + kMedia + "/video/" + name + "/";
    std::string cover = "http://" + kMedia + "/cover/" + name + "/";
    std::string want_video, want_cover;
    switch (site.shape) {
      case ReplyShape::single:
        want_video = "\"video\":\"" + video + "1.mp4\"";
        want_cover = "\"cover\":\"" + cover + "1.png\"";
        break;
      case ReplyShape::list:
        want_video = "\"video\":[\"" + video + "1.mp4\",\"" + video + "2.mp4\",\"" + video + "3.mp4\"]";
        want_cover = "\"cover\":[\"" + cover + "1.png\",\"" + cover + "2.png\"]";
        break;
      case ReplyShape::download_list:
        want_video =
            "\"video\":{\"download\":[{\"url\":\"" + video + "1.mp4\"},{\"url\":\"" + video + "2.mp4\"}]}";
        want_cover = "\"cover\":\"" + cover + "1.png\"";
        break;
    }
    server.clear_requests();
    auto reply = exchange(service_post({.path = std::string(site.path), .cookie = cookie}));
    ASSERT_EQ(reply.status, 200) << site.path;
    EXPECT_EQ(reply.header("Content-Encoding"), "gzip") << site.path;
    EXPECT_EQ(reply.header("Set-Cookie"), server.reply_cookie().set_cookie()) << site.path;
    std::string json = gunzip(reply.body);
    EXPECT_EQ(json.rfind("{\"code\":200,", 0), 0u) << json;
    EXPECT_NE(json.find("\"text\":\"" + std::string(site.title_utf8) + "\""), std::string::npos) << json;
    EXPECT_NE(json.find(want_video), std::string::npos) << json;
    EXPECT_NE(json.find(want_cover), std::string::npos) << json;
    auto recorded = server.requests_to(kApi, site.path);
    ASSERT_EQ(recorded.size(), 1u);
    ASSERT_TRUE(recorded[0].verdict.has_value());
    EXPECT_TRUE(recorded[0].verdict->accepted()) << ::testing::PrintToString(recorded[0].verdict->complaints);
  }
}

TEST_F(StandinTest, ConfiguredReplyInflatesToExactJson) {
  // 标题 "带引号" in UTF-8: the quotes inside must come out escaped.
  server.set_reply("/video/kuaishou", {.title = "\xE6\xA0\x87\xE9\xA2\x98 \"q\" \\",
                                       .videos = {"http://m.example/a.mp4", "http://m.example/b.mp4"},
                                       .covers = {"http://m.example/c.jpg"},
                                       .video_as_list = true});
  server.set_reply("/video/meipai", {.raw_body = "{\"data\":{\"text\":7}}"});
  std::string cookie = cookies_from_front_page();

  auto kuaishou = exchange(service_post({.path = "/video/kuaishou", .cookie = cookie}));
  EXPECT_EQ(
      gunzip(kuaishou.body),
      "{\"code\":200,\"msg\":\"success\",\"data\":{\"text\":\"\xE6\xA0\x87\xE9\xA2\x98 \\\"q\\\" \\\\\","
      "\"cover\":\"http://m.example/c.jpg\",\"video\":[\"http://m.example/a.mp4\",\"http://m.example/"
      "b.mp4\"]}}");
  auto meipai = exchange(service_post({.path = "/video/meipai", .cookie = cookie}));
  EXPECT_EQ(gunzip(meipai.body), "{\"data\":{\"text\":7}}");
}

TEST_F(StandinTest, RefusedRequestsGetAnErrorJson) {
  std::string cookie = cookies_from_front_page();
  auto first_pair = cookie.substr(0, cookie.find(';'));
  struct Case {
    const char* what_it_proves;
    Post post;
    std::string code;
  } cases[] = {
      {"a wrong signature", {.s = "12345", .cookie = cookie}, "400"},
      {"an empty signature", {.s = "", .cookie = cookie}, "400"},
      {"a signature over the GBK link (Chinese link)",
       {.link_gbk = "\xD6\xD0\xCE\xC4", .link_utf8 = "\xD6\xD0\xCE\xC4", .cookie = cookie},
       "400"},
      {"no cookies at all", {}, "401"},
      {"one of the two cookies", {.cookie = first_pair}, "401"},
      {"a header of the block changed",
       {.cookie = cookie,
        .edit_headers = [](std::vector<std::string>& lines) { lines[2] = "Accept-Language: en-US"; }},
       "403"},
  };
  for (const auto& c : cases) {
    server.clear_requests();
    auto reply = exchange(service_post(c.post));
    ASSERT_EQ(reply.status, 200) << c.what_it_proves;
    EXPECT_EQ(reply.header("Content-Encoding"), "gzip") << c.what_it_proves;
    std::string json = gunzip(reply.body);
    EXPECT_EQ(json.rfind("{\"code\":" + c.code + ",\"msg\":\"", 0), 0u) << c.what_it_proves << ": " << json;
    EXPECT_EQ(json.find("\"data\""), std::string::npos) << c.what_it_proves;
    auto recorded = server.requests_to(kApi);
    ASSERT_EQ(recorded.size(), 1u);
    EXPECT_FALSE(recorded[0].verdict->accepted()) << c.what_it_proves;
  }
}

TEST_F(StandinTest, AChineseLinkSignedOverUtf8IsAccepted) {
  auto reply = exchange(service_post({.link_gbk = "https://v.douyin.example/\xD6\xD0\xCE\xC4",  // 中文
                                      .link_utf8 = "https://v.douyin.example/\xE4\xB8\xAD\xE6\x96\x87",
                                      .cookie = cookies_from_front_page()}));
  EXPECT_EQ(gunzip(reply.body).rfind("{\"code\":200,", 0), 0u);
  EXPECT_EQ(server.requests_to(kApi).at(0).verdict->link, "https://v.douyin.example/\xD6\xD0\xCE\xC4");
}

TEST_F(StandinTest, RoutesByHostInEitherTargetForm) {
  struct Case {
    const char* what_it_proves;
    std::string request;
    int status;
    std::string body;
  } cases[] = {
      {"absolute-form target", get_request(kPublisher, "/ruanjian/sp/banben.txt"), 200, "2.1"},
      {"absolute-form target with a port and a query",
       "GET http://" + kPublisher +
           ":80/ruanjian/xzdz.txt?x=1 HTTP/1.1\r\nHost: elsewhere\r\nConnection: close\r\n\r\n",
       200, std::string(kDefaultDownloadAddress)},
      {"origin-form target routed by Host",
       "GET /ruanjian/sp/banben.txt HTTP/1.1\r\nHost: WWW.Publisher.Example:80\r\nConnection: close\r\n\r\n",
       200, "2.1"},
      {"HTTP/1.0 as the update check sends it",
       "GET http://" + kPublisher + "/ruanjian/sp/banben.txt HTTP/1.0\r\nAccept: */*\r\n\r\n", 200, "2.1"},
      {"the same path on another host", get_request(kFrontEnd, "/ruanjian/sp/banben.txt"), 404, "Not Found"},
      {"an unknown host", get_request("www.example.com", "/"), 404, "Unknown host"},
      {"a GET to a service path", get_request(kApi, "/video/douyin"), 405, "Method Not Allowed"},
  };
  for (const auto& c : cases) {
    auto reply = exchange(c.request);
    EXPECT_EQ(reply.status, c.status) << c.what_it_proves;
    EXPECT_EQ(reply.body, c.body) << c.what_it_proves;
  }
}

TEST_F(StandinTest, ReachableThroughAnHttpProxyClient) {
  server.set_publisher_file(kVersionPath, "2.2\r\n");
  httplib::Client client(kPublisher, 80);
  client.set_proxy("127.0.0.1", server.port());
  client.set_keep_alive(true);
  auto first = client.Get(std::string(kVersionPath));
  auto second = client.Get(std::string(kVersionPath));
  ASSERT_TRUE(first && second);
  EXPECT_EQ(first->body, "2.2\r\n");
  EXPECT_EQ(second->body, "2.2\r\n");
  auto recorded = server.requests_to(kPublisher, kVersionPath);
  ASSERT_EQ(recorded.size(), 2u) << "both requests on one kept-alive connection";
  EXPECT_EQ(recorded[0].target, "http://" + kPublisher + ":80" + std::string(kVersionPath));
}

TEST_F(StandinTest, RecordsRequestsAsReceived) {
  std::string request = "POST http://" + kApi +
                        "/video/none?q=%41 HTTP/1.1\r\n"
                        "x-second:  B \r\nHost: " +
                        kApi + "\r\nX-First: a\r\nContent-Length: 3\r\nConnection: close\r\n\r\nxyz";
  exchange(request);
  auto recorded = server.requests();
  ASSERT_EQ(recorded.size(), 1u);
  const auto& seen = recorded[0];
  EXPECT_EQ(seen.method, "POST");
  EXPECT_EQ(seen.target, "http://" + kApi + "/video/none?q=%41");
  EXPECT_EQ(seen.version, "HTTP/1.1");
  EXPECT_EQ(seen.host, kApi);
  EXPECT_EQ(seen.path, "/video/none");
  EXPECT_EQ(seen.header_lines, (std::vector<std::string>{"x-second:  B ", "Host: " + kApi, "X-First: a",
                                                         "Content-Length: 3", "Connection: close"}));
  EXPECT_EQ(seen.header("X-SECOND"), "B");
  EXPECT_EQ(seen.body, "xyz");
  EXPECT_FALSE(seen.verdict.has_value()) << "not a site path";
  server.clear_requests();
  EXPECT_TRUE(server.requests().empty());
}

TEST_F(StandinTest, BodyLongerThanAnnouncedIsRefused) {
  std::string cookie = cookies_from_front_page();
  std::string request = service_post({.cookie = cookie});
  // Announce 10 bytes fewer than the body holds.
  auto at = request.find("Content-Length: ") + 16;
  auto end = request.find("\r\n", at);
  request.replace(at, end - at, std::to_string(std::stoul(request.substr(at, end - at)) - 10));
  exchange(request, 1000);
  auto recorded = server.requests_to(kApi, "/video/douyin");
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_FALSE(recorded[0].verdict->content_length_ok);
}

TEST_F(StandinTest, BodyShorterThanAnnouncedIsRecordedAndRefused) {
  std::string request = service_post({.cookie = cookies_from_front_page()});
  auto at = request.find("Content-Length: ") + 16;
  request.replace(at, request.find("\r\n", at) - at, "245");  // the stored block's value
  auto reply = exchange(request);
  EXPECT_TRUE(gunzip(reply.body).rfind("{\"code\":403,", 0) == 0) << gunzip(reply.body);
  auto recorded = server.requests_to(kApi, "/video/douyin");
  ASSERT_EQ(recorded.size(), 1u);
  EXPECT_FALSE(recorded[0].verdict->content_length_ok);
  EXPECT_TRUE(recorded[0].verdict->signature_ok) << "the body that did arrive is whole";
}

// The PNG's chunks carry valid CRCs and its pixels inflate to 2 rows of a filter byte and 2 RGB pixels.
TEST(DefaultCover, IsAValidPng) {
  const std::string& png = default_cover_png();
  ASSERT_EQ(png.substr(0, 8), std::string("\x89PNG\r\n\x1A\n", 8));
  std::size_t at = 8;
  std::string idat;
  std::vector<std::string> types;
  while (at + 12 <= png.size()) {
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(png[i]); };
    std::size_t length = (byte(at) << 24) | (byte(at + 1) << 16) | (byte(at + 2) << 8) | byte(at + 3);
    std::string typed = png.substr(at + 4, 4 + length);
    std::string stored = png.substr(at + 8 + length, 4);
    EXPECT_EQ(std::to_string((byte(at + 8 + length) << 24 | byte(at + 9 + length) << 16 |
                              byte(at + 10 + length) << 8 | byte(at + 11 + length)) &
                             0xFFFFFFFFul),
              crc32_decimal(typed))
        << typed.substr(0, 4);
    types.push_back(typed.substr(0, 4));
    if (types.back() == "IDAT") idat += typed.substr(4);
    at += 12 + length;
  }
  EXPECT_EQ(at, png.size());
  EXPECT_EQ(types, (std::vector<std::string>{"IHDR", "IDAT", "IEND"}));
  unsigned char pixels[64];
  uLongf size = sizeof pixels;
  ASSERT_EQ(uncompress(pixels, &size, reinterpret_cast<const Bytef*>(idat.data()), idat.size()), Z_OK);
  EXPECT_EQ(size, 2u * (1 + 2 * 3));
}

TEST_F(StandinTest, ServesMedia) {
  server.set_video_size("/video/big.mp4", 300000);
  std::string jpeg = std::string("\xFF\xD8\xFF\xE0", 4) + std::string(50, '\0') + "\xFF\xD9";
  server.set_media("/cover/a.jpg", jpeg);
  server.set_default_video_size(777);

  auto big = exchange(get_request(kMedia, "/video/big.mp4"));
  EXPECT_EQ(big.header("Content-Length"), "300000");
  EXPECT_EQ(big.body.size(), 300000u);
  EXPECT_TRUE(big.body == pattern_bytes(300000)) << "the deterministic pattern";
  EXPECT_EQ(pattern_bytes(10, 5), pattern_bytes(15).substr(5)) << "a slice of the same pattern";

  auto other = exchange(get_request(kMedia, "/video/douyin/1.mp4"));
  EXPECT_EQ(other.body.size(), 777u);

  auto cover = exchange(get_request(kMedia, "/cover/a.jpg"));
  EXPECT_EQ(cover.body, jpeg);
  EXPECT_EQ(cover.header("Content-Type"), "image/jpeg");

  auto default_cover = exchange(get_request(kMedia, "/cover/douyin/1.png"));
  EXPECT_EQ(default_cover.body, default_cover_png());
  EXPECT_EQ(default_cover.header("Content-Type"), "image/png");

  EXPECT_EQ(exchange(get_request(kMedia, "/elsewhere.bin")).status, 404);
}

TEST_F(StandinTest, ServesMediaDirectoryFiles) {
  auto dir = std::filesystem::temp_directory_path() / ("standin-media-" + std::to_string(server.port()));
  std::filesystem::create_directories(dir / "cover");
  const std::string webp("RIFF\x10\0\0\0WEBPVP8 ", 16);
  std::ofstream(dir / "cover" / "pic.webp", std::ios::binary) << webp;
  server.set_media_dir(dir);
  auto reply = exchange(get_request(kMedia, "/cover/pic.webp"));
  EXPECT_EQ(reply.header("Content-Type"), "image/webp");
  EXPECT_EQ(reply.body, webp);
  EXPECT_EQ(exchange(get_request(kMedia, "/cover/../cover/pic.webp")).body, default_cover_png())
      << "no climbing out of the directory";
  std::filesystem::remove_all(dir);
}

TEST_F(StandinTest, FaultsShapeTheAnswer) {
  std::string cookie = cookies_from_front_page();
  server.set_fault("/video/douyin", {.uncompressed = true});
  server.set_fault("http://" + kApi + "/video/huoshan", {.not_json = true});
  server.set_fault("/video/momo", {.uncompressed = true, .not_json = true});
  server.set_fault(std::string(kVersionPath), {.status = 404});
  server.set_global_fault({.status = 503});
  server.set_fault("http://" + kMedia + "/video/cut.mp4", {.cut_after = 300});
  server.set_video_size("/video/cut.mp4", 10000);

  auto plain = exchange(service_post({.cookie = cookie}));
  EXPECT_EQ(plain.header("Content-Encoding"), "");
  EXPECT_EQ(plain.body.rfind("{\"code\":200,", 0), 0u) << plain.body;

  auto html = gunzip(exchange(service_post({.path = "/video/huoshan", .cookie = cookie})).body);
  EXPECT_EQ(html.rfind("<html>", 0), 0u) << html;
  auto plain_html = exchange(service_post({.path = "/video/momo", .cookie = cookie}));
  EXPECT_EQ(plain_html.body.rfind("<html>", 0), 0u);

  EXPECT_EQ(exchange(get_request(kPublisher, std::string(kVersionPath))).status, 404);
  EXPECT_EQ(exchange(get_request(kPublisher, std::string(kDownloadAddressPath))).status, 503)
      << "global fault";

  auto cut = exchange(get_request(kMedia, "/video/cut.mp4"));
  EXPECT_EQ(cut.header("Content-Length"), "10000");
  EXPECT_EQ(cut.body, pattern_bytes(300)) << "fewer bytes than announced, then the close";

  server.clear_faults();
  EXPECT_EQ(exchange(get_request(kPublisher, std::string(kVersionPath))).body, "2.1");
}

TEST_F(StandinTest, SlowFaultsDelayAndTrickle) {
  server.set_fault("/video/slow.mp4", {.delay = 300ms});
  server.set_fault("/video/trickle.mp4", {.trickle_bytes = 1000, .trickle_pause = 100ms});
  server.set_video_size("/video/trickle.mp4", 4000);

  auto started = std::chrono::steady_clock::now();
  auto slow = exchange(get_request(kMedia, "/video/slow.mp4"));
  auto slow_took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(slow.body, pattern_bytes(kDefaultVideoSize));
  EXPECT_GE(slow_took, 300ms);

  started = std::chrono::steady_clock::now();
  auto trickle = exchange(get_request(kMedia, "/video/trickle.mp4"));
  auto trickle_took = std::chrono::steady_clock::now() - started;
  EXPECT_EQ(trickle.body, pattern_bytes(4000));
  EXPECT_GE(trickle_took, 300ms) << "three pauses between four pieces";
}

TEST_F(StandinTest, StallHoldsUntilStopAndStopIsPrompt) {
  server.set_global_fault({.stall = true});
  auto timed_out = exchange(get_request(kPublisher, std::string(kVersionPath)), 400);
  EXPECT_FALSE(timed_out.received) << "nothing comes back while stalled";

  RawReply held;
  std::thread client([&] { held = raw_exchange(server.port(), get_request(kPublisher, "/x"), 20000); });
  while (server.requests_to(kPublisher, "/x").empty())
    std::this_thread::sleep_for(10ms);
  auto started = std::chrono::steady_clock::now();
  server.stop();
  auto stop_took = std::chrono::steady_clock::now() - started;
  client.join();
  EXPECT_LT(stop_took, 3s) << "stop does not wait for the stalled client";
  EXPECT_FALSE(held.received);
  EXPECT_FALSE(server.running());
}

TEST(StandinLifecycle, BindsTheAskedPortOnlyOnce) {
  StandinServer first;
  first.start(0);
  int port = first.port();
  EXPECT_GT(port, 0);
  EXPECT_THROW(first.start(0), std::logic_error);
  StandinServer second;
  EXPECT_THROW(second.start(port), std::runtime_error);
  first.stop();
  first.stop();
  second.start(port);
  EXPECT_EQ(second.port(), port);
  EXPECT_EQ(second.proxy_url(), "http://127.0.0.1:" + std::to_string(port));
  EXPECT_EQ(raw_exchange(port, get_request(kPublisher, std::string(kVersionPath))).body, "2.1");
}

}  // namespace
}  // namespace standin
