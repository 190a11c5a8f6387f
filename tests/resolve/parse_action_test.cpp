#include "resolve/parse_action.h"

#include <gtest/gtest.h>

#include "net/text.h"
#include "resolve/sample_link.h"
#include "tests/resolve/service_fixture.h"

namespace resolve {
namespace {

using testing_support::ServiceTest;

class ParseActionTest : public ServiceTest {
 protected:
  std::string video(const std::string& name) { return standin::media_url("/video/" + name); }
  std::string cover(const std::string& name) { return standin::media_url("/cover/" + name); }
};

TEST_F(ParseActionTest, SingleRowFillsBoxOneTitleCoverAndPreview) {
  const std::string cover_bytes = "\x89PNG\r\n\x1a\n not really, but the window decides";
  service.set_media("/cover/d.png", cover_bytes);
  service.set_reply("/video/douyin", {.title = "\xE6\xA0\x87\xE9\xA2\x98",  // 标题
                                      .videos = {video("d.mp4?a=1&b=2")},
                                      .covers = {cover("d.png")}});
  window.url = kSampleShareLink;
  window.box2 = "kept";

  parse_action(window);

  EXPECT_EQ(window.title, "\xB1\xEA\xCC\xE2");  // 标题 in GBK
  EXPECT_EQ(window.box1, video("d.mp4?a=1&b=2"));
  EXPECT_EQ(window.box2, "kept");
  EXPECT_EQ(window.picture, net::to_bytes(cover_bytes));
  ASSERT_EQ(window.navigations.size(), 1u);
  EXPECT_EQ(window.navigations[0], (run_dir / "ZERU_Flash.html").string());
  EXPECT_TRUE(net::contains(preview_page(), "video=" + video("d.mp4?a=1%26b=2") + "\""));
  EXPECT_TRUE(window.messages.empty());
  EXPECT_GT(window.events_processed, 0) << "the window keeps painting while requests run";
}

TEST_F(ParseActionTest, ListRowsSpreadAddressesOverBothBoxes) {
  struct Case {
    const char* what_it_proves;
    const char* link;
    const char* service_path;
    std::vector<std::string> videos;
    net::Text box1;
    net::Text box2;
  };
  const Case cases[] = {
      {"three Huoshan addresses",
       "https://share.huoshan.com/x",
       "/video/huoshan",
       {"http://m/a", "http://m/b", "http://m/c"},
       "http://m/a",
       "http://m/b\r\nhttp://m/c"},
      {"one Toutiao download leaves box 2",
       "https://m.toutiao.com/i1/",
       "/video/toutiao",
       {"http://m/t"},
       "http://m/t",
       "earlier"},
      {"an empty list touches neither box",
       "https://m.toutiao.com/i1/",
       "/video/toutiao",
       {},
       "before",
       "earlier"},
  };
  for (const auto& c : cases) {
    service.set_reply(c.service_path,
                      {.title = "t", .videos = c.videos, .covers = {cover("0.png"), cover("1.png")}});
    window.url = c.link;
    window.box1 = "before";
    window.box2 = "earlier";
    parse_action(window);
    EXPECT_EQ(window.box1, c.box1) << c.what_it_proves;
    EXPECT_EQ(window.box2, c.box2) << c.what_it_proves;
  }
}

TEST_F(ParseActionTest, HuoshanShowsItsSecondCover) {
  service.set_media("/cover/first.png", "first");
  service.set_media("/cover/second.png", "second");
  service.set_reply("/video/huoshan",
                    {.videos = {"http://m/a"}, .covers = {cover("first.png"), cover("second.png")}});
  window.url = "https://share.huoshan.com/x";
  parse_action(window);
  EXPECT_EQ(net::to_text(window.picture), "second");
}

TEST_F(ParseActionTest, SingleRowAfterAListKeepsBoxTwo) {
  service.set_reply("/video/huoshan", {.videos = {"http://m/a", "http://m/b", "http://m/c"}});
  window.url = "https://share.huoshan.com/x";
  parse_action(window);
  service.set_reply("/video/douyin", {.videos = {"http://m/single"}});
  window.url = kSampleShareLink;
  parse_action(window);
  EXPECT_EQ(window.box1, "http://m/single");
  EXPECT_EQ(window.box2, "http://m/b\r\nhttp://m/c");
}

TEST_F(ParseActionTest, PreviewDropsMp4MarkersInAnyCaseButTheBoxKeepsThem) {
  service.set_reply("/video/douyin", {.videos = {"http://m/v.mp4#mp4x#MP4y#Mp4"}});
  window.url = kSampleShareLink;
  parse_action(window);
  EXPECT_EQ(window.box1, "http://m/v.mp4#mp4x#MP4y#Mp4");
  EXPECT_TRUE(net::contains(preview_page(), "video=http://m/v.mp4xy\""));
}

TEST_F(ParseActionTest, XiaoyingVideoAddressIsOnlyToldAbout) {
  window.url = "http://v.xiaoying.tv/v/1.mp4?x=1";
  window.box1 = "untouched";
  parse_action(window);
  ASSERT_EQ(window.messages.size(), 1u);
  // 你的连接是视频地址，请直接下载
  EXPECT_EQ(window.messages[0].text,
            gbk("\xE4\xBD\xA0\xE7\x9A\x84\xE8\xBF\x9E\xE6\x8E\xA5\xE6\x98\xAF\xE8\xA7\x86"
                "\xE9\xA2\x91\xE5\x9C\xB0\xE5\x9D\x80\xEF\xBC\x8C\xE8\xAF\xB7\xE7\x9B\xB4"
                "\xE6\x8E\xA5\xE4\xB8\x8B\xE8\xBD\xBD"));
  EXPECT_EQ(window.messages[0].buttons, Buttons::ok);
  EXPECT_TRUE(api_requests().empty());
  EXPECT_TRUE(window.navigations.empty());
  EXPECT_EQ(window.box1, "untouched");
}

TEST_F(ParseActionTest, UnknownLinkSendsNothingAndPreviewsBoxOne) {
  window.url = "https://example.org/v/1";
  window.box1 = "http://m/left.mp4";
  window.title = "old title";
  parse_action(window);
  EXPECT_TRUE(api_requests().empty());
  EXPECT_EQ(front_requests().size(), 1u);
  EXPECT_EQ(window.title, "old title");
  EXPECT_EQ(window.picture_sets, 0);
  ASSERT_EQ(window.navigations.size(), 1u);
  EXPECT_TRUE(net::contains(preview_page(), "video=http://m/left.mp4\""));
}

TEST_F(ParseActionTest, UnreadableReplyEmptiesWhatASingleRowShows) {
  service.set_fault("/video/douyin", {.not_json = true});
  window.url = kSampleShareLink;
  window.box1 = "old";
  window.title = "old";
  window.picture = {1, 2, 3};
  parse_action(window);
  EXPECT_EQ(window.title, "");
  EXPECT_EQ(window.box1, "");
  EXPECT_TRUE(window.picture.empty());
  EXPECT_EQ(window.navigations.size(), 1u);
}

}  // namespace
}  // namespace resolve
