#include "resolve/exchange.h"

#include <gtest/gtest.h>

#include "net/text.h"
#include "resolve/sample_link.h"
#include "tests/resolve/service_fixture.h"

namespace resolve {
namespace {

using testing_support::ServiceTest;

class ExchangeTest : public ServiceTest {};

TEST_F(ExchangeTest, HeaderBlockIsTheNineLinesInOrder) {
  const auto lines = net::split(service_header_block(), "\r\n");
  ASSERT_EQ(lines.size(), 9u);
  EXPECT_EQ(lines[4], "Content-Length: 245");
  EXPECT_EQ(lines[6], "Host: api.parse-service.example");
  EXPECT_EQ(lines[7], "Origin: http://www.parse-service.example");
  EXPECT_FALSE(net::contains(service_header_block(), "\r\n\r\n"));
}

TEST_F(ExchangeTest, EverySiteShapeIsAcceptedByTheService) {
  struct Case {
    const char* link;
    const char* path;
    const char* read_path;  // a reply field that must not come back empty
  };
  const Case cases[] = {
      {"https://v.kuaishou.com/abc", "/video/kuaishou", "data.video"},
      {kSampleShareLink.data(), "/video/douyin", "data.video"},
      {"https://share.huoshan.com/hotsoon/s/x/", "/video/huoshan", "data.video[2]"},
      {"https://m.toutiao.com/i123/", "/video/toutiao", "data.video.download[1].url"},
      // Chinese around the address: signed over its UTF-8, sent as percent-encoded GBK.
      {"\xBF\xB4\xBF\xB4 https://h5.weishi.qq.com/x \xB0\xC9", "/video/weishi", "data.text"},
  };
  for (const auto& c : cases) {
    service.clear_requests();
    window.url = c.link;
    Click click;
    ASSERT_EQ(resolve_link(click, window), Resolved::queried) << c.link;
    EXPECT_FALSE(click.document.GetText(c.read_path).empty()) << c.link;

    const auto posts = service.requests_to(kApi, c.path);
    ASSERT_EQ(posts.size(), 1u) << c.link;
    ASSERT_TRUE(posts[0].verdict.has_value());
    EXPECT_TRUE(posts[0].verdict->accepted())
        << c.link << ": " << ::testing::PrintToString(posts[0].verdict->complaints);
    EXPECT_EQ(posts[0].verdict->link, c.link);
    // The front page came first, without following redirects.
    ASSERT_EQ(service.requests().front().host, kFront);
  }
}

TEST_F(ExchangeTest, CookiesOfTheReplyAreMergedIn) {
  window.url = kSampleShareLink;
  Click click;
  resolve_link(click, window);
  for (const auto& cookie : service.front_cookies())
    EXPECT_TRUE(net::contains(click.cookies, cookie.pair()));
  EXPECT_TRUE(net::contains(click.cookies, service.reply_cookie().pair()));
}

TEST_F(ExchangeTest, UncompressedReplyIsStillRead) {
  service.set_fault("/video/douyin", {.uncompressed = true});
  window.url = kSampleShareLink;
  Click click;
  resolve_link(click, window);
  EXPECT_EQ(click.document.GetText("data.text"), gbk(service.reply("/video/douyin").title));
}

TEST_F(ExchangeTest, ReplyThatIsNotJsonReadsEmpty) {
  service.set_fault("/video/douyin", {.not_json = true});
  window.url = kSampleShareLink;
  Click click;
  EXPECT_EQ(resolve_link(click, window), Resolved::queried);
  EXPECT_EQ(click.document.GetText("data.text"), "");
  EXPECT_EQ(click.document.GetText("data.video"), "");
}

TEST_F(ExchangeTest, NothingIsSentForLinksThatAreNotToBeAsked) {
  struct Case {
    const char* what_it_proves;
    const char* link;
    Resolved expected;
  };
  const Case cases[] = {
      {"an empty URL box matches no row", "", Resolved::no_site},
      {"an unknown site", "https://example.org/v/1", Resolved::no_site},
      {"a Xiaoying video address", "http://v.xiaoying.tv/v/1.mp4?x=1", Resolved::video_address},
  };
  for (const auto& c : cases) {
    service.clear_requests();
    window.url = c.link;
    Click click;
    EXPECT_EQ(resolve_link(click, window), c.expected) << c.what_it_proves;
    EXPECT_TRUE(api_requests().empty()) << c.what_it_proves;
    // The cookies are fetched and r and s made all the same.
    EXPECT_EQ(front_requests().size(), 1u) << c.what_it_proves;
    EXPECT_FALSE(click.r.empty()) << c.what_it_proves;
    EXPECT_FALSE(click.s.empty()) << c.what_it_proves;
  }
}

}  // namespace
}  // namespace resolve
