// Replies a broken or hostile service could send: a body that inflates past the bound, JSON
// nested beyond any reader's depth, a reply of 50 MiB, titles and addresses of a megabyte, with
// quotes and markup, with "#mp4" in odd places and with characters GBK cannot hold. Nothing
// crashes, nothing runs, memory stays bounded, and the window shows what the reply allows.

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <cstdio>
#include <optional>
#include <string>
#include <vector>

#include "tests/resolve/fault_fixture.h"
#include "tests/support/local_server.h"
#include "tests/support/network_faults.h"
#include "tests/support/proxy_env.h"

namespace resolve {
namespace {

using testing_support::entries_of;
using testing_support::FaultTest;
using testing_support::kDouyin;
using testing_support::kKuaishou;
using testing_support::Picture;
using testing_support::Shown;

// `head` followed by `padding` spaces, as one gzip stream, made without holding the whole.
std::string gzip_of_padded(const std::string& head, std::size_t padding) {
  z_stream stream{};
  deflateInit2(&stream, 1, Z_DEFLATED, 15 + 16, 9, Z_DEFAULT_STRATEGY);
  std::string out;
  std::vector<unsigned char> buffer(1 << 16);
  const auto feed = [&](const char* data, std::size_t size, int flush) {
    stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data));
    stream.avail_in = static_cast<uInt>(size);
    do {
      stream.next_out = buffer.data();
      stream.avail_out = static_cast<uInt>(buffer.size());
      deflate(&stream, flush);
      out.append(reinterpret_cast<const char*>(buffer.data()), buffer.size() - stream.avail_out);
    } while (stream.avail_out == 0);
  };
  feed(head.data(), head.size(), Z_NO_FLUSH);
  const std::string spaces(1 << 20, ' ');
  for (std::size_t left = padding; left > 0;) {
    const std::size_t piece = std::min(left, spaces.size());
    feed(spaces.data(), piece, Z_NO_FLUSH);
    left -= piece;
  }
  feed(nullptr, 0, Z_FINISH);
  deflateEnd(&stream);
  return out;
}

// A Douyin reply in the stand-in's JSON, with `data` members of the test's making.
std::string reply_with(const std::string& members) {
  return R"({"code":200,"msg":"success","data":{)" + members + "}}";
}

std::string repeat(std::string_view piece, std::size_t times) {
  std::string out;
  out.reserve(piece.size() * times);
  for (std::size_t i = 0; i < times; ++i)
    out += piece;
  return out;
}

constexpr long kMiB = 1024;  // in KiB, as /proc reports

// Runs `click` and reports how far the process's peak rose above what it held before.
template <typename Click>
long peak_growth_kib(const char* what, Click click) {
  const bool fresh_peak = testing_support::reset_memory_peak();
  const auto before = testing_support::memory_figures();
  click();
  const auto after = testing_support::memory_figures();
  // Without a fresh peak the growth counts from the present size up to the oldest peak: more,
  // never less, than the click's own.
  const long growth = after.peak_kib - before.rss_kib;
  std::printf("[ figures  ] %s: RSS %ld MiB before, %ld MiB after, peak %ld MiB (%s), growth %ld MiB\n", what,
              before.rss_kib / kMiB, after.rss_kib / kMiB, after.peak_kib / kMiB,
              fresh_peak ? "since the click began" : "of the whole run", growth / kMiB);
  return growth;
}

// A gzip reply that inflates to 1 GiB: the decoder stops at its 64 MiB bound, the reply reads
// as no reply, and the process never holds the inflated whole.
TEST_F(FaultTest, AReplyThatInflatesPastTheBoundIsNoReply) {
  const std::string bomb = gzip_of_padded(
      reply_with(R"("text":"T","video":")" + kDouyin.video_url() + R"(","cover":"")"), std::size_t{1} << 30);
  service.set_reply(kDouyin.service_path(), {.raw_body = bomb});
  service.set_fault(kDouyin.service_path(), {.uncompressed = true});  // sent as it is: already gzip
  const long growth = peak_growth_kib("1 GiB gzip bomb, download", [&] { download(kDouyin); });
  expect_download(window, folder, testing_support::unread_reply(), "1 GiB bomb");
  EXPECT_LT(growth, 512 * kMiB) << "the inflated reply was held";
}

// 50 MiB of JSON is more than the document's engine takes: it reads as no reply, cleanly, and
// the copies on the way (body, text, engine) keep the peak within bounds.
TEST_F(FaultTest, AFiftyMebibyteReplyReadsAsNoneAndMemoryStaysBounded) {
  const std::string json =
      reply_with(R"("text":"T","cover":"","video":")" + kDouyin.video_url() + R"(","padding":[)" +
                 repeat(R"("0123456789abcdef0123456789abcdef0123456789abcdef0123456789abcdef",)", 800'000) +
                 R"("end"])");
  ASSERT_GT(json.size(), std::size_t{50} << 20);
  service.set_reply(kDouyin.service_path(), {.raw_body = json});
  const long growth = peak_growth_kib("50 MiB JSON reply, download", [&] { download(kDouyin); });
  expect_download(window, folder, testing_support::unread_reply(), "50 MiB reply");
  EXPECT_LT(growth, 1536 * kMiB);
}

// A server that sends and sends: the front-end page, the reply and the cover are held in memory
// whole, so each is given up past a bound instead of taking the process's memory with it.
TEST_F(FaultTest, BodiesHeldWholeAreGivenUpPastTheirBound) {
  constexpr std::size_t kEndless = std::size_t{768} << 20;
  testing_support::EndlessServer endless(kEndless);
  testing_support::ScopedEnv direct("no_proxy", "127.0.0.1");
  struct Case {
    const char* what_it_proves;
    bool whole_route;  // every request goes to the endless server; otherwise only the cover
    Shown shown;
  };
  const Case cases[] = {
      {"front-end page and reply without end", true, testing_support::unread_reply()},
      {"a cover without end", false, testing_support::without_cover(kDouyin)},
  };
  for (const auto& c : cases) {
    reset();
    std::optional<testing_support::ProxyEnv> route;
    if (c.whole_route) {
      route.emplace(endless.proxy_url());
    } else {
      service.set_reply(kDouyin.service_path(), {.title = kDouyin.title_utf8(),
                                                 .videos = {kDouyin.video_url()},
                                                 .covers = {endless.url("/cover.png")}});
    }
    const long growth = peak_growth_kib(c.what_it_proves, [&] { download(kDouyin); });
    expect_download(window, folder, c.shown, c.what_it_proves);
    EXPECT_LT(growth, 512 * kMiB) << c.what_it_proves << ": " << (kEndless >> 20) << " MiB were held";
  }
}

// Replies whose shape would break a recursive reader, and replies whose texts are huge or
// hostile. The download click is the road (front-end page, POST, cover, video).
TEST_F(FaultTest, HostileRepliesAreReadAsDataOrNotAtAll) {
  const std::string big_title_utf8 = repeat("\xE8\xA7\x86", 350'000);  // 视 x 350000: 1 MiB of UTF-8
  const std::string big_address = kDouyin.video_url() + "?" + repeat("a", 1 << 20);
  const std::string big_cover = kDouyin.cover_url() + "?" + repeat("c", 1 << 20);
  const std::string markup_title_utf8 =
      "<b>\"\xE6\xA0\x87\xE9\xA2\x98\"</b> & 'x' \\ </script><script>alert(1)</script>";  // 标题
  // 标题😀𠀀x: an emoji and a CJK Extension B character, neither in GBK.
  const std::string outside_gbk_utf8 = "\xE6\xA0\x87\xE9\xA2\x98\xF0\x9F\x98\x80\xF0\xA0\x80\x80x";
  const std::string video = kDouyin.video_url();
  const std::string cover = kDouyin.cover_url();
  const auto fields = [&](const std::string& title, const std::string& address,
                          const std::string& cover_address) {
    return standin::SiteReply{.title = title, .videos = {address}, .covers = {cover_address}};
  };
  const auto shows = [&](const net::Text& title, const std::string& box1, const net::Text& message,
                         std::size_t files, Picture picture = Picture::cover) {
    return Shown{.title = title, .box1 = box1, .picture = picture, .message = message, .files = files};
  };
  using testing_support::kAllSaved;
  using testing_support::kNoneSaved;
  struct Case {
    const char* what_it_proves;
    standin::SiteReply reply;
    Shown shown;
  };
  const Case cases[] = {
      {"100000 open brackets", {.raw_body = std::string(100'000, '[')}, testing_support::unread_reply()},
      {"an array nested 100000 deep inside a good reply",
       {.raw_body = reply_with(R"("text":"T","cover":"","video":")" + video + R"(","deep":)" +
                               std::string(100'000, '[') + std::string(100'000, ']'))},
       testing_support::unread_reply()},
      {"objects nested 100000 deep",
       {.raw_body = repeat(R"({"data":)", 100'000) + "1" + std::string(100'000, '}')},
       testing_support::unread_reply()},
      {"a title of a megabyte is shown whole", fields(big_title_utf8, video, cover),
       shows(gbk(big_title_utf8), video, kAllSaved, 1)},
      // The media host refuses a request line of a megabyte.
      {"a video address of a megabyte is shown, and not saved when refused", fields("T", big_address, cover),
       shows("T", big_address, kNoneSaved, 0)},
      {"a cover address of a megabyte", fields("T", video, big_cover),
       shows("T", video, kAllSaved, 1, Picture::not_cover)},
      {"quotes, markup and a script in the title are only text", fields(markup_title_utf8, video, cover),
       shows(gbk(markup_title_utf8), video, kAllSaved, 1)},
      {"characters outside GBK in the title become \"?\"", fields(outside_gbk_utf8, video, cover),
       shows(gbk("\xE6\xA0\x87\xE9\xA2\x98") + "??x", video, kAllSaved, 1)},
      {"a title holding an escaped zero ends there",
       {.raw_body = reply_with(R"("text":"a\u0000b","cover":")" + cover + R"(","video":")" + video + "\"")},
       shows("a", video, kAllSaved, 1)},
  };
  for (const auto& c : cases) {
    reset();
    service.set_reply(kDouyin.service_path(), c.reply);
    download(kDouyin);
    expect_download(window, folder, c.shown, c.what_it_proves);
  }
}

// Addresses with quotes, markup, "#mp4" in odd places and characters outside GBK: the box shows
// the address as the reply gave it (in GBK), the request goes to the address with every "#mp4"
// removed (Kuaishou's kept), and the file is named by the clock, never by the address.
TEST_F(FaultTest, OddAddressesLoseOnlyTheirMarkersAndNeverNameTheFile) {
  struct Case {
    const char* what_it_proves;
    testing_support::Site site;
    std::string path;    // of the address on the media host, as the reply gives it (UTF-8)
    std::string target;  // the request's target on the media host, as it arrives
  };
  const std::string media = standin::media_url("");
  const Case cases[] = {
      {"quotes and markup go out percent-encoded", kDouyin, "/video/q\"<i>'x'</i>\".mp4",
       "/video/q%22%3Ci%3E'x'%3C/i%3E%22.mp4"},
      {"a path that climbs out still names no file", kDouyin, "/video/../../../video/p.mp4", "/video/p.mp4"},
      {"markers in mixed case, side by side", kDouyin, "/video/a#mP4#Mp4.mp4", "/video/a.mp4"},
      {"a marker inside the query", kDouyin, "/video/a.mp4?x=#MP4&y=1", "/video/a.mp4?x=&y=1"},
      // Removal runs once over the text: the marker it forms stays, and its "#" starts the
      // fragment, which never goes on the wire.
      {"a marker formed by the removal stays", kDouyin, "/video/a#mp4b#m#mp4p4.mp4", "/video/ab"},
      {"a percent-encoded marker is no marker", kDouyin, "/video/a%23mp4.mp4", "/video/a%23mp4.mp4"},
      {"full-width letters are no marker", kDouyin,
       "/video/a\xEF\xBC\x83\xEF\xBD\x8D\xEF\xBD\x90\xEF\xBC\x94.mp4",
       "/video/a%EF%BC%83%EF%BD%8D%EF%BD%90%EF%BC%94.mp4"},
      {"Kuaishou keeps markers of any case", kKuaishou, "/video/k#MP4.mp4", "/video/k"},
      {"an emoji in the query becomes \"?\"", kDouyin, "/video/e.mp4?t=\xF0\x9F\x98\x80", "/video/e.mp4?t=?"},
      // GBK has no place for it and the converter puts "?" instead, which then starts a query:
      // the path loses the name. Texts are GBK throughout; real replies name ASCII addresses.
      {"a CJK Extension B character in the path becomes a query", kDouyin, "/video/\xF0\xA0\x80\x80.mp4",
       "/video/?.mp4"},
  };
  for (const auto& c : cases) {
    reset();
    const std::string address = media + c.path;
    service.set_reply(c.site.service_path(),
                      {.title = "T", .videos = {address}, .covers = {c.site.cover_url()}});
    download(c.site);
    EXPECT_EQ(window.box1, gbk(address)) << c.what_it_proves;
    const auto asked = service.requests_to(standin::kMediaHost);
    ASSERT_EQ(asked.size(), 2u) << c.what_it_proves << ": the cover and the video";
    EXPECT_EQ(asked[1].target, media + c.target) << c.what_it_proves;
    EXPECT_EQ(entries_of(folder), std::vector<std::string>{saved_path().filename().string()})
        << c.what_it_proves;
    ASSERT_EQ(window.messages.size(), 1u) << c.what_it_proves;
  }

  // The parse shows the same address in its preview, unable to leave the attribute.
  reset();
  service.set_reply(kDouyin.service_path(), {.title = "T",
                                             .videos = {media + "/video/q\"><script>alert(1)</script>.mp4"},
                                             .covers = {kDouyin.cover_url()}});
  parse(kDouyin);
  const std::string page = preview_page();
  EXPECT_EQ(page.find("<script"), std::string::npos);
  EXPECT_NE(page.find("video=" + media + "/video/q%22%3E%3Cscript%3Ealert(1)%3C/script%3E.mp4\""),
            std::string::npos)
      << page;
}

}  // namespace
}  // namespace resolve
