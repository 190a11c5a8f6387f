#pragma once
// The download fixture with what the fault tests share: one share link per site, the network
// roads of a click and the stand-in's name for each, and what the window must show when a
// road fails.

#include <gtest/gtest.h>

#include <filesystem>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "net/text.h"
#include "resolve/download_action.h"
#include "resolve/parse_action.h"
#include "tests/resolve/download_fixture.h"
#include "tools/standin/media.h"
#include "tools/standin/sites.h"
#include "tools/standin/standin_server.h"

namespace testing_support {

inline const net::Text kAllSaved =
    "\xCA\xD3\xC6\xB5\xD2\xD1\xBE\xAD\xCF\xC2\xD4\xD8\xB3\xC9\xB9\xA6";  // 视频已经下载成功
inline const net::Text kNoneSaved = "\xCA\xD3\xC6\xB5\xCF\xC2\xD4\xD8\xCA\xA7\xB0\xDC";  // 视频下载失败
inline const net::Text kSomeFailed =
    "\xB2\xBF\xB7\xD6\xCA\xD3\xC6\xB5\xCF\xC2\xD4\xD8\xCA\xA7\xB0\xDC";  // 部分视频下载失败

// A share link that the site table gives to the stand-in site `name`.
struct Site {
  const char* link = "";
  std::string_view name{};

  std::string service_path() const { return "/video/" + std::string(name); }
  std::string video_path(int n = 1) const { return service_path() + "/" + std::to_string(n) + ".mp4"; }
  std::string cover_path(int n = 1) const {
    return "/cover/" + std::string(name) + "/" + std::to_string(n) + ".png";
  }
  std::string title_utf8() const {
    return std::string(standin::find_service_site(service_path())->title_utf8);
  }
  net::Text title() const { return net::utf8_to_gbk_text(title_utf8()); }
  std::string video_url(int n = 1) const { return standin::media_url(video_path(n)); }
  std::string cover_url(int n = 1) const { return standin::media_url(cover_path(n)); }
};

inline constexpr Site kDouyin{"https://v.douyin.com/abc/", "douyin"};
inline constexpr Site kMeipai{"https://www.meipai.com/media/1", "meipai"};
inline constexpr Site kWeishi{"https://h5.weishi.qq.com/weishi/feed/1", "weishi"};
inline constexpr Site kYunyinyue{"https://y.music.163.com/m/video?id=1", "yunyinyue"};
inline constexpr Site kMomo{"https://m.immomo.com/s/moment/1", "momo"};
inline constexpr Site kKuaishou{"https://v.kuaishou.com/abc", "kuaishou"};
inline constexpr Site kXiaoying{"https://xiaoying.tv/v/1/", "xiaoying"};
inline constexpr Site kToutiao{"https://m.toutiao.com/i123/", "toutiao"};

// The requests of one click, in their order.
enum class Road { front_end, service, cover, video };

// The stand-in's name for where a road of a click on `site` goes, for set_fault.
inline std::string fault_place(Road road, const Site& site) {
  switch (road) {
    case Road::front_end:
      return "http://" + std::string(resolve::hosts::kFrontEndHost) + "/";
    case Road::service:
      return site.service_path();
    case Road::cover:
      return site.cover_path();
    case Road::video:
      return site.video_path();
  }
  return {};
}

enum class Picture {
  empty,      // nothing came: no picture
  cover,      // the stand-in's cover picture
  not_cover,  // something came, but not the picture (an error page): no picture either
};

// What the window holds after a click.
struct Shown {
  net::Text title{};
  net::Text box1{};
  Picture picture = Picture::cover;
  net::Text message{};  // the download's end message
  std::size_t files = 0;
};

// A reply that could not be had or read: nothing to show, nothing to save.
inline Shown unread_reply() {
  return {.picture = Picture::empty, .message = kNoneSaved};
}
inline Shown everything(const Site& site) {
  return {.title = site.title(), .box1 = net::Text(site.video_url()), .message = kAllSaved, .files = 1};
}
inline Shown without_cover(const Site& site, Picture picture = Picture::empty) {
  Shown shown = everything(site);
  shown.picture = picture;
  return shown;
}
inline Shown without_video(const Site& site) {
  Shown shown = everything(site);
  shown.message = kNoneSaved;
  shown.files = 0;
  return shown;
}

// Every name in `folder`, hidden ones too; none when it does not exist.
inline std::vector<std::string> entries_of(const std::filesystem::path& folder) {
  std::vector<std::string> names;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(folder, error))
    names.push_back(entry.path().filename().string());
  return names;
}

class FaultTest : public DownloadTest {
 protected:
  // Back to the stand-in's defaults, an untouched window and no download folder.
  void reset() {
    service.clear_faults();
    service.reset_replies();
    service.clear_requests();
    window = FakeWindow{};
    std::error_code ignored;
    std::filesystem::remove_all(folder, ignored);
  }

  static void expect_picture(const net::Bytes& picture, Picture expected, const std::string& what) {
    const std::string bytes(picture.begin(), picture.end());
    switch (expected) {
      case Picture::empty:
        EXPECT_TRUE(picture.empty()) << what << ": no picture";
        break;
      case Picture::cover:
        EXPECT_EQ(bytes, standin::default_cover_png()) << what << ": the cover is shown";
        break;
      case Picture::not_cover:
        EXPECT_NE(bytes, standin::default_cover_png()) << what << ": no cover";
        break;
    }
  }

  // A download click's window and folder against what they should show.
  static void expect_download(const FakeWindow& shown_in, const std::filesystem::path& saved_in,
                              const Shown& expected, const std::string& what) {
    EXPECT_EQ(shown_in.title, expected.title) << what << ": the title";
    EXPECT_EQ(shown_in.box1, expected.box1) << what << ": address box 1";
    EXPECT_EQ(shown_in.picture_sets, 1) << what;
    expect_picture(shown_in.picture, expected.picture, what);
    ASSERT_EQ(shown_in.messages.size(), 1u) << what << ": one end message";
    EXPECT_EQ(shown_in.messages[0].text, expected.message) << what << ": the end message";
    EXPECT_EQ(shown_in.messages[0].buttons, resolve::Buttons::ok) << what;
    // Not a part file either: a failed video leaves nothing.
    EXPECT_EQ(entries_of(saved_in).size(), expected.files) << what << ": files in the download folder";
    EXPECT_TRUE(shown_in.navigations.empty()) << what << ": the download shows no preview";
  }

  // A parse click's window against the same expectations (it saves nothing and says nothing).
  void expect_parse(const Shown& expected, const std::string& what) {
    EXPECT_EQ(window.title, expected.title) << what << ": the title";
    EXPECT_EQ(window.box1, expected.box1) << what << ": address box 1";
    EXPECT_EQ(window.picture_sets, 1) << what;
    expect_picture(window.picture, expected.picture, what);
    EXPECT_TRUE(window.messages.empty()) << what << ": the parse tells nothing";
    EXPECT_EQ(window.navigations.size(), 1u) << what << ": the preview is shown";
  }

  void download(const Site& site) {
    window.url = site.link;
    resolve::download_action(window, seams);
  }
  void parse(const Site& site) {
    window.url = site.link;
    resolve::parse_action(window);
  }
};

}  // namespace testing_support
