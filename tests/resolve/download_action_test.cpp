#include "resolve/download_action.h"

#include <gtest/gtest.h>

#include "net/text.h"
#include "resolve/sample_link.h"
#include "tests/resolve/download_fixture.h"

namespace resolve {
namespace {

using testing_support::DownloadTest;

const net::Text kAllSaved =
    "\xCA\xD3\xC6\xB5\xD2\xD1\xBE\xAD\xCF\xC2\xD4\xD8\xB3\xC9\xB9\xA6";           // 视频已经下载成功
const net::Text kNoneSaved = "\xCA\xD3\xC6\xB5\xCF\xC2\xD4\xD8\xCA\xA7\xB0\xDC";  // 视频下载失败
const net::Text kSomeFailed =
    "\xB2\xBF\xB7\xD6\xCA\xD3\xC6\xB5\xCF\xC2\xD4\xD8\xCA\xA7\xB0\xDC";  // 部分视频下载失败
const net::Text kDownloading = "\xD5\xFD\xD4\xDA\xCF\xC2\xD4\xD8 ";      // 正在下载

constexpr const char* kKuaishouLink = "https://v.kuaishou.com/abc";
constexpr const char* kHuoshanLink = "https://share.huoshan.com/hotsoon/s/x/";
constexpr const char* kToutiaoLink = "https://m.toutiao.com/i123/";

class DownloadActionTest : public DownloadTest {
 protected:
  void download() { download_action(window, seams); }

  // The one message of the click.
  net::Text message() const {
    EXPECT_EQ(window.messages.size(), 1u);
    if (window.messages.empty()) return "(none)";
    EXPECT_EQ(window.messages[0].buttons, Buttons::ok);
    return window.messages[0].text;
  }
};

TEST_F(DownloadActionTest, Mp4MarkerLeavesEveryAddressButKuaishous) {
  struct Case {
    const char* what_it_proves;
    const char* link;
    const char* service_path;
    std::string address;
    const char* fetched_path;  // what the media host is asked for
  };
  const Case cases[] = {
      {"Douyin drops the marker", kSampleShareLink.data(), "/video/douyin", video_url("d#mp4.mp4"),
       "/video/d.mp4"},
      {"in any letter case", kSampleShareLink.data(), "/video/douyin", video_url("e#MP4.mp4"),
       "/video/e.mp4"},
      // Kept, the marker starts the address's fragment, which never goes on the wire.
      {"Kuaishou keeps it", kKuaishouLink, "/video/kuaishou", video_url("k#mp4.mp4"), "/video/k"},
  };
  for (const auto& c : cases) {
    service.clear_requests();
    window.messages.clear();
    service.set_reply(c.service_path,
                      {.videos = {c.address}, .covers = {standin::media_url("/cover/c.png")}});
    window.url = c.link;
    download();
    EXPECT_EQ(window.box1, c.address) << c.what_it_proves << ": the box shows the reply's address";
    const auto paths = media_paths();
    ASSERT_EQ(paths.size(), 2u) << c.what_it_proves;
    EXPECT_EQ(paths[0], "/cover/c.png") << c.what_it_proves;
    EXPECT_EQ(paths[1], c.fetched_path) << c.what_it_proves;
    EXPECT_EQ(message(), kAllSaved) << c.what_it_proves;
  }
  EXPECT_EQ(folder_entries().size(), 3u);
  EXPECT_TRUE(window.navigations.empty()) << "the download never shows the preview";
  EXPECT_TRUE(window.waits.empty()) << "one video: no pause";
}

// Records the order of saves (the clock is read once per saved file) and pauses.
class StepWindow : public testing_support::FakeWindow {
 public:
  std::vector<std::string> steps;
  void wait_ms(int ms) override {
    FakeWindow::wait_ms(ms);
    steps.push_back("wait " + std::to_string(ms));
  }
};

TEST_F(DownloadActionTest, HuoshanListFillsBothBoxesAndSavesEachWithAPause) {
  service.set_media("/cover/first.png", "first cover");
  service.set_media("/cover/second.png", "second cover");
  service.set_reply(
      "/video/huoshan",
      {.title = "\xE7\x81\xAB\xE5\xB1\xB1",  // 火山
       .videos = {video_url("a.mp4"), video_url("b#mp4.mp4"), video_url("c.mp4")},
       .covers = {standin::media_url("/cover/first.png"), standin::media_url("/cover/second.png")}});
  service.set_video_size("/video/a.mp4", 1000);
  service.set_video_size("/video/b.mp4", 130);
  service.set_video_size("/video/c.mp4", 100);
  StepWindow steps;
  steps.url = kHuoshanLink;
  seams.clock = [&] {
    steps.steps.push_back("save");
    return kNow;
  };

  download_action(steps, seams);

  EXPECT_EQ(steps.title, "\xBB\xF0\xC9\xBD");
  EXPECT_EQ(steps.box1, video_url("a.mp4"));
  EXPECT_EQ(steps.box2, video_url("b#mp4.mp4") + "\r\n" + video_url("c.mp4"));
  EXPECT_EQ(net::to_text(steps.picture), "first cover") << "the download shows Huoshan's first cover";
  EXPECT_EQ(steps.steps,
            (std::vector<std::string>{"save", "wait 1000", "save", "wait 1000", "save", "wait 1000"}));
  EXPECT_EQ(media_paths(),
            (std::vector<std::string>{"/cover/first.png", "/video/a.mp4", "/video/b.mp4", "/video/c.mp4"}));
  // Three names in one second, each file the video it came from.
  EXPECT_EQ(read_file(saved_path()), stamped(1000));
  EXPECT_EQ(read_file(saved_path("_2")), stamped(130));
  EXPECT_EQ(read_file(saved_path("_3")), stamped(100));
  EXPECT_EQ(folder_entries().size(), 3u);
  ASSERT_EQ(steps.messages.size(), 1u);
  EXPECT_EQ(steps.messages[0].text, kAllSaved);
}

TEST_F(DownloadActionTest, OneElementListLeavesBoxTwo) {
  struct Case {
    const char* what_it_proves;
    const char* link;
    const char* service_path;
  };
  const Case cases[] = {
      {"Huoshan with one address", kHuoshanLink, "/video/huoshan"},
      {"Toutiao with one download", kToutiaoLink, "/video/toutiao"},
  };
  for (const auto& c : cases) {
    window.waits.clear();
    service.set_reply(c.service_path,
                      {.videos = {video_url(std::string(c.service_path).substr(7) + ".mp4")}});
    window.url = c.link;
    window.box2 = "earlier";
    download();
    EXPECT_EQ(window.box1, video_url(std::string(c.service_path).substr(7) + ".mp4")) << c.what_it_proves;
    EXPECT_EQ(window.box2, "earlier") << c.what_it_proves;
    EXPECT_EQ(window.waits, std::vector<int>{1000}) << c.what_it_proves;
  }
  EXPECT_EQ(folder_entries().size(), 2u);
}

TEST_F(DownloadActionTest, KuaishouTextIsOneVideoAndAnArrayIsAList) {
  struct Case {
    const char* what_it_proves;
    bool as_list;
    std::vector<std::string> videos;
    net::Text box1;
    net::Text box2;
    std::vector<std::string> fetched;
    std::vector<int> waits;
  };
  const Case cases[] = {
      {"a text goes to box 1 and is the one video",
       false,
       {video_url("k1.mp4")},
       video_url("k1.mp4"),
       "earlier",
       {"/video/k1.mp4"},
       {}},
      {"an array fills the boxes and each element is saved, marker kept",
       true,
       {video_url("k1.mp4"), video_url("k2#mp4.mp4"), video_url("k3.mp4")},
       video_url("k1.mp4"),
       video_url("k2#mp4.mp4") + "\r\n" + video_url("k3.mp4"),
       {"/video/k1.mp4", "/video/k2", "/video/k3.mp4"},
       {1000, 1000, 1000}},
  };
  for (const auto& c : cases) {
    service.clear_requests();
    window.waits.clear();
    window.messages.clear();
    std::filesystem::remove_all(folder);
    service.set_reply(
        "/video/kuaishou",
        {.videos = c.videos, .covers = {standin::media_url("/cover/k.png")}, .video_as_list = c.as_list});
    window.url = kKuaishouLink;
    window.box2 = "earlier";
    download();
    EXPECT_EQ(window.box1, c.box1) << c.what_it_proves;
    EXPECT_EQ(window.box2, c.box2) << c.what_it_proves;
    auto fetched = media_paths();
    ASSERT_FALSE(fetched.empty()) << c.what_it_proves;
    fetched.erase(fetched.begin());  // the cover
    EXPECT_EQ(fetched, c.fetched) << c.what_it_proves;
    EXPECT_EQ(window.waits, c.waits) << c.what_it_proves;
    EXPECT_EQ(folder_entries().size(), c.fetched.size()) << c.what_it_proves;
    EXPECT_EQ(message(), kAllSaved) << c.what_it_proves;
  }
}

TEST_F(DownloadActionTest, EndMessageSaysWhatHappened) {
  struct Case {
    const char* what_it_proves;
    const char* link;
    std::function<void(standin::StandinServer&)> arrange;
    net::Text message;
    std::size_t files;
  };
  std::ofstream(run_dir / "in the way") << "x";
  const Case cases[] = {
      {"a video that is there", kSampleShareLink.data(), [](auto&) {}, kAllSaved, 1},
      {"status 404", kSampleShareLink.data(),
       [](auto& s) { s.set_fault("/video/douyin/1.mp4", {.status = 404}); }, kNoneSaved, 0},
      {"cut short", kSampleShareLink.data(),
       [](auto& s) { s.set_fault("/video/douyin/1.mp4", {.cut_after = 2000}); }, kNoneSaved, 0},
      {"an empty body", kSampleShareLink.data(), [](auto& s) { s.set_media("/video/douyin/1.mp4", ""); },
       kNoneSaved, 0},
      {"a reply that is not JSON names no video", kSampleShareLink.data(),
       [](auto& s) { s.set_fault("/video/douyin", {.not_json = true}); }, kNoneSaved, 0},
      {"a list with no element", kToutiaoLink, [](auto& s) { s.set_reply("/video/toutiao", {.videos = {}}); },
       kNoneSaved, 0},
      {"one of three Huoshan videos missing", kHuoshanLink,
       [](auto& s) { s.set_fault("/video/huoshan/2.mp4", {.status = 404}); }, kSomeFailed, 2},
      {"one of three cut short", kHuoshanLink,
       [](auto& s) { s.set_fault("/video/huoshan/3.mp4", {.cut_after = 1}); }, kSomeFailed, 2},
  };
  for (const auto& c : cases) {
    service.reset_replies();
    service.clear_faults();
    std::filesystem::remove_all(folder);
    window.messages.clear();
    c.arrange(service);
    window.url = c.link;
    download();
    EXPECT_EQ(message(), c.message) << c.what_it_proves;
    EXPECT_EQ(folder_entries().size(), c.files)
        << c.what_it_proves << ": no file of a failed video, not even a part";
  }

  // The folder cannot be made: its place is taken by a file.
  window.messages.clear();
  service.clear_faults();
  seams.folder = (run_dir / "in the way").string();
  window.url = kHuoshanLink;
  download();
  EXPECT_EQ(message(), kNoneSaved) << "an unwritable folder";
  EXPECT_EQ(read_file(run_dir / "in the way"), "x");
}

TEST_F(DownloadActionTest, TwoClicksInOneSecondGiveTwoFiles) {
  int drawn = 0;
  seams.digits = [&] { return ++drawn == 1 ? 11111 : 22222; };
  window.url = kSampleShareLink;
  download();
  download();
  EXPECT_EQ(folder_entries().size(), 2u);
  EXPECT_EQ(read_file(saved_path()).substr(128, 5), "11111") << "the first file is not replaced";
  EXPECT_EQ(read_file(saved_path("_2")).substr(128, 5), "22222");
}

TEST_F(DownloadActionTest, XiaoyingVideoAddressIsSavedWithoutTheService) {
  struct Case {
    const char* what_it_proves;
    std::string link;
    const char* fetched_target;
  };
  const std::string base = "http://" + std::string(standin::kMediaHost) + "/video/xiaoying.tv/";
  const Case cases[] = {
      {"up to the first \"?\"", base + "v1.mp4?from=share&x=?y", "/video/xiaoying.tv/v1.mp4"},
      {"the whole link when it has no \"?\"", base + "v2.mp4", "/video/xiaoying.tv/v2.mp4"},
  };
  for (const auto& c : cases) {
    service.clear_requests();
    window.messages.clear();
    window.url = c.link;
    window.box1 = "untouched";
    window.title = "untouched";
    download();
    EXPECT_TRUE(api_requests().empty()) << c.what_it_proves;
    const auto fetched = service.requests_to(standin::kMediaHost);
    ASSERT_EQ(fetched.size(), 1u) << c.what_it_proves;
    EXPECT_EQ(fetched[0].target, "http://" + std::string(standin::kMediaHost) + c.fetched_target)
        << c.what_it_proves;
    EXPECT_EQ(window.box1, "untouched") << c.what_it_proves;
    EXPECT_EQ(window.title, "untouched") << c.what_it_proves;
    EXPECT_EQ(window.picture_sets, 0) << c.what_it_proves;
    EXPECT_EQ(message(), kAllSaved) << c.what_it_proves;
  }
  EXPECT_EQ(folder_entries().size(), 2u);
}

TEST_F(DownloadActionTest, LinkOfNoSiteWritesAndShowsNothing) {
  window.url = "https://example.org/v/1.mp4";
  window.box1 = "http://m/left.mp4";
  download();
  EXPECT_TRUE(api_requests().empty());
  EXPECT_EQ(front_requests().size(), 1u) << "the cookies are fetched before the link is classified";
  EXPECT_TRUE(media_paths().empty());
  EXPECT_FALSE(std::filesystem::exists(folder));
  EXPECT_TRUE(window.messages.empty());
  EXPECT_TRUE(window.progress.empty());
  EXPECT_TRUE(window.navigations.empty());
  EXPECT_EQ(window.box1, "http://m/left.mp4");
}

TEST_F(DownloadActionTest, ProgressShowsFileAndBytesThenClears) {
  service.set_reply("/video/huoshan", {.videos = {video_url("p1.mp4"), video_url("p2.mp4")}});
  service.set_video_size("/video/p2.mp4", 3 << 20);
  window.url = kHuoshanLink;
  download();
  const auto& shown = window.progress;
  ASSERT_FALSE(shown.empty());
  EXPECT_EQ(shown.front(), kDownloading + "1/2");
  // 正在下载 2/2：3.0 MB / 3.0 MB
  EXPECT_NE(std::find(shown.begin(), shown.end(),
                      kDownloading + "2/2\xA3\xBA"
                                     "3.0 MB / 3.0 MB"),
            shown.end());
  EXPECT_EQ(shown.back(), "") << "cleared when the click ends";
  EXPECT_GT(window.events_processed, static_cast<int>(shown.size()) / 2) << "the window keeps painting";
}

}  // namespace
}  // namespace resolve
