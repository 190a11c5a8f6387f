// The built program, driven the way a person drives it: on an X server of the test's own, its
// host names routed through http_proxy to a stand-in parse service, and seen only through its
// window, the files it writes beside itself and what reached the stand-in.
#include <gtest/gtest.h>
#include <stdlib.h>

#include <chrono>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <functional>
#include <iterator>
#include <memory>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "net/text.h"
#include "resolve/hosts.h"
#include "resolve/sample_link.h"
#include "tests/blackbox/child_process.h"
#include "tests/blackbox/desktop.h"
#include "tests/blackbox/picture.h"
#include "tools/standin/media.h"
#include "tools/standin/service_check.h"
#include "tools/standin/standin_server.h"

namespace blackbox {
namespace {

namespace fs = std::filesystem;
namespace hosts = resolve::hosts;
using namespace std::chrono_literals;
using standin::RecordedRequest;

// Places in the window's client area, from its fixed layout.
constexpr Point kParseButton{.x = 360 + 40, .y = 358 + 20};     // 按钮1, 80 x 40
constexpr Point kDownloadButton{.x = 456 + 40, .y = 360 + 20};  // 按钮2, 80 x 40
constexpr Rect kCoverArea{
    .left = 0 + 10, .top = 352 + 56, .width = 230, .height = 224};             // 图片框1 in 分组框1
constexpr Rect kViewArea{.left = 552, .top = 0, .width = 480, .height = 632};  // 超文本浏览框1
constexpr int kClientWidth = 1032;
constexpr int kClientHeight = 632;

// A picture or a video frame has far more colours than a blank area with a frame line.
constexpr std::size_t kBlankColours = 4;
constexpr std::size_t kPictureColours = 64;

// What the user sees, UTF-8.
const std::string kMessageTitle = "\xE4\xBF\xA1\xE6\x81\xAF\xEF\xBC\x9A";  // 信息：
const std::string kAllSaved =
    "\xE8\xA7\x86\xE9\xA2\x91\xE5\xB7\xB2\xE7\xBB\x8F\xE4\xB8\x8B\xE8\xBD\xBD\xE6\x88\x90\xE5\x8A"
    "\x9F";  // 视频已经下载成功
const std::string kDownloadFolder =
    "\xE8\xA7\xA3\xE6\x9E\x90\xE8\xA7\x86\xE9\xA2\x91\xE4\xB8\x8B\xE8\xBD\xBD";  // 解析视频下载
const std::string kOfferLines[3] = {
    "\xE8\xBD\xAF\xE4\xBB\xB6\xE5\xBD\x93\xE5\x89\x8D\xE7\x89\x88\xE6\x9C\xAC\xEF\xBC\x9A"
    "2.1",  // 软件当前版本：2.1
    "\xE6\x9C\x80\xE6\x96\xB0\xE7\x89\x88\xE6\x9C\xAC\xEF\xBC\x9A"
    "2.0",  // 最新版本：2.0
    "\xE7\x82\xB9\xE5\x87\xBB\xE7\xA1\xAE\xE5\xAE\x9A\xE4\xB8\x8B\xE8\xBD\xBD\xE6\x9C\x80\xE6\x96\xB0\xE7\x89"
    "\x88"
    "\xE6\x9C\xAC",  // 点击确定下载最新版本
};

// The sample clip and cover the Douyin reply names, as scripts/sample-media.sh lays them out.
constexpr std::string_view kVideoPath = "/video/douyin/1.mp4";
constexpr std::string_view kCoverPath = "/cover/douyin/1.jpg";
constexpr std::string_view kDouyinPath = "/video/douyin";

bool wait_until(const std::function<bool()>& done, std::chrono::milliseconds timeout,
                std::chrono::milliseconds interval = 100ms) {
  auto deadline = std::chrono::steady_clock::now() + timeout;
  while (!done()) {
    if (std::chrono::steady_clock::now() >= deadline) return false;
    std::this_thread::sleep_for(interval);
  }
  return true;
}

std::string read_bytes(const fs::path& file) {
  std::ifstream in(file, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
}

Rect on_screen(const ScreenWindow& window, const Rect& area) {
  return {.left = window.frame.left + area.left,
          .top = window.frame.top + area.top,
          .width = area.width,
          .height = area.height};
}

// The preview page's template filled in by hand: the address, 480 x 632 less 50 x 35.
std::string expected_preview_page(const std::string& address) {
  return "<html>\r\n<embed src=\"ckplayer/ckplayer.swf\" flashvars=\"video=" + address +
         "\"  quality=\"high\" width=\"430\" height=\"597\" align=\"middle\" allowScriptAccess=\"always\""
         " allowFullscreen=\"true\" type=\"application/x-shockwave-flash\"></embed>\r\n</html>";
}

// Lines as a person reads them off the box, whatever line ends the selection carried. The text
// is UTF-8, so it is cut byte by byte (the program's text routines read GBK).
std::vector<std::string> lines_of(std::string_view text) {
  std::vector<std::string> lines(1);
  for (std::size_t i = 0; i < text.size(); ++i) {
    if (text.substr(i, 2) == "\r\n") {
      ++i;
      lines.emplace_back();
    } else if (text[i] == '\n' || text[i] == '\r') {
      lines.emplace_back();
    } else if (text.substr(i, 3) == "\xE2\x80\xA9") {  // a paragraph separator
      i += 2;
      lines.emplace_back();
    } else {
      lines.back().push_back(text[i]);
    }
  }
  return lines;
}

std::string joined(const std::vector<std::string>& items, std::string_view separator) {
  std::string out;
  for (const auto& item : items)
    out += (out.empty() ? "" : std::string(separator)) + item;
  return out;
}

// The values of the header lines named `name` (any letter case), in the order sent.
std::vector<std::string> header_values(const RecordedRequest& request, std::string_view name) {
  std::vector<std::string> values;
  for (const auto& line : request.header_lines) {
    auto header = standin::parse_header_line(line);
    if (header.name.size() == name.size() && net::find_text(header.name, name, 1, true) == 1) {
      values.push_back(header.value);
    }
  }
  return values;
}

// A saved video's name: seconds counted from 1970-01-01 08:00 local time, maybe "_" and a
// number, ".", the publisher's domain, ".mp4". Returns the seconds; none for another shape.
std::optional<long long> saved_name_stem(std::string_view name) {
  const std::string tail = "." + std::string(hosts::kPublisherDomain) + ".mp4";
  if (name.size() <= tail.size() || name.substr(name.size() - tail.size()) != tail) return std::nullopt;
  auto stem = name.substr(0, name.size() - tail.size());
  auto digits_only = [](std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
  };
  auto underscore = stem.find('_');
  if (!digits_only(stem.substr(0, underscore))) return std::nullopt;
  if (underscore != std::string_view::npos && !digits_only(stem.substr(underscore + 1))) return std::nullopt;
  return std::stoll(std::string(stem.substr(0, underscore)));
}

std::string describe(const RecordedRequest& request) {
  std::string text = request.method + " " + request.target + "\n";
  for (const auto& line : request.header_lines)
    text += "  " + line + "\n";
  return text + "  body: " + request.body + "\n";
}

class BlackBox : public ::testing::Test {
 protected:
  void SetUp() override {
    std::string pattern = (fs::temp_directory_path() / "vidparse-blackbox-XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    scratch_ = pattern;
    // A copy of the built program, so what it writes beside itself lands in the scratch folder.
    fs::copy_file(VIDPARSE_EXECUTABLE, scratch_ / "vidparse");
    log_ = scratch_ / "vidparse.log";
    desktop_ = std::make_unique<Desktop>((scratch_ / "xvfb.log").string());
  }

  void TearDown() override {
    if (HasFailure()) {
      std::cerr << "--- what the desktop and the stand-in saw ---\n";
      if (desktop_ && !desktop_->running()) std::cerr << "Xvfb has ended\n";
      std::cerr << "Xvfb on " << (desktop_ ? desktop_->display() : "") << ": "
                << read_bytes(scratch_ / "xvfb.log") << "\n";
      if (desktop_ && program_ && program_->running()) {
        for (const auto& window : desktop_->windows_of(program_->pid())) {
          std::cerr << "window " << window.id << " \"" << window.title << "\" at " << window.frame.left << ","
                    << window.frame.top << " " << window.frame.width << "x" << window.frame.height << "\n";
        }
      } else {
        std::cerr << "the program is not running\n";
      }
      for (const auto& request : service_.requests())
        std::cerr << request.method << " " << request.target << "\n";
    }
    if (program_) program_->stop();
    service_.stop();
    desktop_.reset();
    if (HasFailure()) {
      auto log = read_bytes(log_);
      constexpr std::size_t kShown = 4000;
      std::cerr << "--- the program's output (last " << kShown << " bytes) ---\n"
                << (log.size() > kShown ? log.substr(log.size() - kShown) : log) << "\n";
    }
    std::error_code ignored;
    fs::remove_all(scratch_, ignored);
  }

  // Sample media made with ffmpeg, served on the media host; the Douyin reply names its clip.
  void serve_sample_media() {
    auto made = run_command({"bash", std::string(VIDPARSE_SOURCE_DIR) + "/scripts/sample-media.sh",
                             (scratch_ / "media").string()},
                            {}, 120s);
    ASSERT_TRUE(made.ok()) << made.err;
    service_.set_media_dir(scratch_ / "media");
    auto reply = service_.reply(kDouyinPath);
    reply.videos = {standin::media_url(kVideoPath)};
    reply.covers = {standin::media_url(kCoverPath)};
    service_.set_reply(kDouyinPath, reply);
  }

  void start_program(std::optional<std::string> proxy = {}) {
    if (!proxy) {
      if (!service_.running()) service_.start();
      proxy = service_.proxy_url();
    }
    auto environment = desktop_->environment();
    for (std::string name :
         {"HTTP_PROXY", "https_proxy", "HTTPS_PROXY", "all_proxy", "ALL_PROXY", "QT_QPA_PLATFORM"})
      environment.push_back(name);
    environment.push_back("http_proxy=" + *proxy);
    environment.push_back("no_proxy=");
    environment.push_back("NO_PROXY=");
    // In a sanitizer build memory errors stop the program; leaks are the unit suites' to find,
    // since at exit the system's GL driver and D-Bus library leave allocations behind that
    // LeakSanitizer cannot put down to anyone. Qt WebEngine frees some objects with a sized
    // delete of another size. Read by nothing in a normal build.
    environment.push_back("ASAN_OPTIONS=detect_leaks=0:abort_on_error=1:new_delete_type_mismatch=0");
    program_ = std::make_unique<ChildProcess>(SpawnOptions{.argv = {(scratch_ / "vidparse").string()},
                                                           .environment = environment,
                                                           .output_file = log_.string()});
  }

  std::optional<ScreenWindow> main_window(std::chrono::milliseconds timeout = 60s) {
    std::optional<ScreenWindow> found;
    wait_until(
        [&] {
          for (const auto& window : desktop_->windows_of(program_->pid())) {
            if (window.frame.width == kClientWidth && window.frame.height == kClientHeight) found = window;
          }
          return found.has_value() || !program_->running();
        },
        timeout);
    return found;
  }

  std::optional<ScreenWindow> message_box(std::chrono::milliseconds timeout) {
    std::optional<ScreenWindow> found;
    wait_until(
        [&] {
          for (const auto& window : desktop_->windows_of(program_->pid())) {
            if (window.title == kMessageTitle) found = window;
          }
          return found.has_value() || !program_->running();
        },
        timeout);
    return found;
  }

  // The box's text, selected with the mouse as a person would copy it: from past the end of its
  // last line (right of the icon, above the buttons) back to the box's corner.
  std::string message_text(const ScreenWindow& box) {
    auto shot = desktop_->grab(box.frame);
    constexpr int kIconWidth = 56;
    constexpr int kButtonRow = 48;
    auto text = dark_bounds(shot, {.left = kIconWidth,
                                   .top = 0,
                                   .width = box.frame.width - kIconWidth,
                                   .height = box.frame.height - kButtonRow});
    if (!text) return {};
    return desktop_->drag_select(box, {.x = text->left + text->width - 1, .y = text->top + text->height - 3},
                                 {.x = 0, .y = 0});
  }

  // The start-up check has asked for the version; once its answer is in, the buttons work.
  bool update_check_asked() {
    bool asked = wait_until(
        [&] { return !service_.requests_to(hosts::kPublisherHost, standin::kVersionPath).empty(); }, 60s);
    std::this_thread::sleep_for(1s);
    return asked;
  }

  // Clicks a button until the click starts an action: the front-end page is asked for. A click
  // while the window is still busy starting is lost, as it would be for a person.
  bool click_until_front_page(Point button, std::chrono::milliseconds per_try) {
    for (int attempt = 0; attempt < 3; ++attempt) {
      auto before = service_.requests_to(hosts::kFrontEndHost).size();
      auto window = main_window();
      if (!window) return false;
      desktop_->click(*window, button);
      if (wait_until([&] { return service_.requests_to(hosts::kFrontEndHost).size() > before; }, per_try))
        return true;
    }
    return false;
  }

  // Index of the first request at or after `from` that `match` accepts; -1 when none.
  static int find_request(const std::vector<RecordedRequest>& requests, std::size_t from,
                          const std::function<bool(const RecordedRequest&)>& match) {
    for (std::size_t i = from; i < requests.size(); ++i) {
      if (match(requests[i])) return static_cast<int>(i);
    }
    return -1;
  }

  // One click's road as the stand-in saw it: the front-end page, then the signed POST of the
  // sample link with the browser header block and the page's cookies. Returns the index after it.
  std::size_t expect_signed_exchange(const std::vector<RecordedRequest>& requests, std::size_t from) {
    int front = find_request(requests, from, [](const auto& r) { return r.host == hosts::kFrontEndHost; });
    EXPECT_GE(front, 0) << "no request for the front-end page";
    if (front < 0) return requests.size();
    EXPECT_EQ(requests[front].method, "GET");
    EXPECT_EQ(requests[front].target, "http://" + std::string(hosts::kFrontEndHost) + "/");
    int first_api = find_request(requests, from, [](const auto& r) { return r.host == hosts::kApiHost; });
    EXPECT_TRUE(first_api < 0 || first_api > front) << "the service was asked before the front-end page";

    int post = find_request(requests, static_cast<std::size_t>(front) + 1,
                            [](const auto& r) { return r.host == hosts::kApiHost; });
    EXPECT_GE(post, 0) << "no request to the service after the front-end page";
    if (post < 0) return requests.size();
    const RecordedRequest& request = requests[post];
    SCOPED_TRACE(describe(request));
    const std::string address = "http://" + std::string(hosts::kApiHost) + std::string(kDouyinPath);
    EXPECT_EQ(request.method, "POST");
    EXPECT_EQ(request.target, address);

    struct Line {
      std::string name;
      std::string value;
    };
    const std::vector<Line> block = {
        {"Accept", "application/json, text/javascript, */*; q=0.01"},
        {"Accept-Encoding", "gzip, deflate"},
        {"Accept-Language", "zh-CN,zh;q=0.9"},
        {"Connection", "keep-alive"},
        {"Content-Length", std::to_string(request.body.size())},  // the body's own, not the block's 245
        {"Content-Type", "application/x-www-form-urlencoded; charset=UTF-8"},
        {"Host", std::string(hosts::kApiHost)},
        {"Origin", "http://" + std::string(hosts::kFrontEndHost)},
        {"User-Agent",
         "Mozilla/5.0 (Windows NT 6.1; Win64; x64) AppleWebKit/537.36 (KHTML, like Gecko) "
         "Chrome/66.0.3359.181 Safari/537.36"},
        {"Referer", address},
    };
    for (const auto& line : block) {
      EXPECT_EQ(header_values(request, line.name), std::vector<std::string>{line.value}) << line.name;
    }

    auto cookie_lines = header_values(request, "Cookie");
    EXPECT_EQ(cookie_lines.size(), 1u);
    std::vector<std::string> sent;
    for (const auto& line : cookie_lines) {
      for (const auto& item : net::split(line, ";"))
        sent.push_back(net::trim(item));
    }
    for (const auto& cookie : service_.front_cookies()) {
      EXPECT_NE(std::find(sent.begin(), sent.end(), cookie.pair()), sent.end())
          << cookie.pair() << " not sent";
    }

    auto link = standin::form_field(request.body, "link");
    auto r = standin::form_field(request.body, "r");
    auto s = standin::form_field(request.body, "s");
    EXPECT_EQ(link.value_or("(none)"), resolve::kSampleShareLink);
    EXPECT_TRUE(r && !r->empty() && r->find_first_not_of("0123456789") == std::string::npos)
        << r.value_or("(none)");
    EXPECT_EQ(s.value_or("(none)"), standin::expected_signature(link.value_or(""), r.value_or("")));
    EXPECT_TRUE(request.verdict && request.verdict->accepted())
        << (request.verdict ? joined(request.verdict->complaints, "; ") : "no verdict");
    return static_cast<std::size_t>(post) + 1;
  }

  // A request for `path` on the media host that came through the proxy (an absolute target).
  bool media_fetched(std::string_view path) {
    for (const auto& request : service_.requests_to(standin::kMediaHost, path)) {
      if (request.target == standin::media_url(path)) return true;
    }
    return false;
  }

  std::unique_ptr<Desktop> desktop_;
  standin::StandinServer service_;
  fs::path scratch_;
  fs::path log_;
  std::unique_ptr<ChildProcess> program_;
};

TEST_F(BlackBox, ParseShowsAddressTitleCoverAndPlaysTheVideo) {
  serve_sample_media();
  start_program();
  auto window = main_window();
  ASSERT_TRUE(window) << "the window did not appear";
  ASSERT_TRUE(update_check_asked());
  EXPECT_FALSE(message_box(0ms)) << "the published version is the program's own: no offer";

  // Before the click both areas are blank, so the checks below see what the click brought.
  window = main_window();
  ASSERT_TRUE(window);
  EXPECT_LE(distinct_colours(desktop_->grab(on_screen(*window, kCoverArea))), kBlankColours);
  EXPECT_LE(distinct_colours(desktop_->grab(on_screen(*window, kViewArea))), kBlankColours);

  ASSERT_TRUE(click_until_front_page(kParseButton, 10s)) << "the click on 解析 started nothing";
  const fs::path page = scratch_ / "ZERU_Flash.html";
  const std::string expected = expected_preview_page(standin::media_url(kVideoPath));
  EXPECT_TRUE(wait_until([&] { return read_bytes(page) == expected; }, 60s))
      << "preview page:\n"
      << read_bytes(page) << "\nexpected:\n"
      << expected;

  // Playing: the view shows a picture, and a moment later another one.
  std::size_t colours = 0;
  std::size_t changed = 0;
  bool playing = wait_until(
      [&] {
        auto view = main_window(5s);
        if (!view) return false;
        auto first = desktop_->grab(on_screen(*view, kViewArea));
        std::this_thread::sleep_for(300ms);
        auto second = desktop_->grab(on_screen(*view, kViewArea));
        colours = distinct_colours(second);
        changed = differing_pixels(first, second);
        return colours >= kPictureColours && changed > 100;
      },
      60s, 200ms);
  EXPECT_TRUE(playing) << "the HTML view shows " << colours << " colours, " << changed << " pixels changed";
  window = main_window();
  ASSERT_TRUE(window);
  EXPECT_GE(distinct_colours(desktop_->grab(on_screen(*window, kCoverArea))), kPictureColours)
      << "no cover picture";

  auto requests = service_.requests();
  expect_signed_exchange(requests, 0);
  EXPECT_TRUE(media_fetched(kCoverPath)) << "the cover was not fetched through the proxy";
  EXPECT_TRUE(media_fetched(kVideoPath)) << "the HTML view did not fetch the video through the proxy";
}

TEST_F(BlackBox, DownloadSavesTheStampedVideoAndSaysSo) {
  serve_sample_media();
  start_program();
  ASSERT_TRUE(main_window()) << "the window did not appear";
  ASSERT_TRUE(update_check_asked());
  const auto started = std::time(nullptr);

  ASSERT_TRUE(click_until_front_page(kDownloadButton, 15s)) << "the click on 下载 started nothing";
  auto box = message_box(60s);
  ASSERT_TRUE(box) << "no message after the download";
  EXPECT_EQ(lines_of(message_text(*box)), std::vector<std::string>{kAllSaved});
  desktop_->press_key(*box, "Return");
  EXPECT_TRUE(wait_until([&] { return !message_box(0ms); }, 10s)) << "the box stayed after Return";
  EXPECT_TRUE(program_->running()) << "the window closed after the download";

  const fs::path folder = scratch_ / kDownloadFolder;
  std::vector<fs::path> saved;
  for (const auto& entry : fs::directory_iterator(folder))
    saved.push_back(entry.path());
  ASSERT_EQ(saved.size(), 1u) << "one video saved, and nothing else left in the folder";
  const std::string name = saved.front().filename().string();

  auto stem = saved_name_stem(name);
  ASSERT_TRUE(stem) << name;
  constexpr long long kDay = 24 * 3600;
  EXPECT_LT(std::llabs(*stem - (static_cast<long long>(started) - 8 * 3600)), kDay) << name;

  const std::string served = read_bytes(scratch_ / "media" / std::string(kVideoPath).substr(1));
  const std::string bytes = read_bytes(saved.front());
  ASSERT_EQ(bytes.size(), served.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    bool stamped = i >= 128 && i < 133;  // bytes 129 to 133
    if (stamped) {
      EXPECT_TRUE(bytes[i] >= '0' && bytes[i] <= '9') << "byte " << i + 1 << " is not a digit";
    } else if (bytes[i] != served[i]) {
      ADD_FAILURE() << "byte " << i + 1 << " differs from the served video";
      break;
    }
  }
  auto decoded = run_command(
      {"ffmpeg", "-nostdin", "-v", "error", "-i", saved.front().string(), "-f", "null", "-"}, {}, 120s);
  EXPECT_TRUE(decoded.ok() && decoded.err.empty()) << "ffmpeg: " << decoded.err;

  expect_signed_exchange(service_.requests(), 0);
  EXPECT_TRUE(media_fetched(kVideoPath)) << "the video was not fetched through the proxy";
}

TEST_F(BlackBox, NewerVersionIsOfferedAndCancelEndsTheProcess) {
  service_.set_publisher_file(standin::kVersionPath, "2.0");
  start_program();
  auto box = message_box(60s);
  ASSERT_TRUE(box) << "no offer of the newer version";
  auto lines = lines_of(message_text(*box));
  EXPECT_EQ(lines, std::vector<std::string>(std::begin(kOfferLines), std::end(kOfferLines)));
  desktop_->press_key(*box, "Escape");
  auto status = program_->wait_exit(30s);
  ASSERT_TRUE(status) << "the program still runs after Cancel";
  EXPECT_EQ(*status, 0);
  EXPECT_TRUE(service_.requests_to(hosts::kPublisherHost, standin::kDownloadAddressPath).empty())
      << "Cancel does not fetch the download address";
}

TEST_F(BlackBox, OfflineStartKeepsTheWindowOpen) {
  // A proxy address where nothing listens: every request fails at once.
  std::string nowhere;
  {
    standin::StandinServer closed;
    closed.start();
    nowhere = closed.proxy_url();
  }
  start_program(nowhere);
  ASSERT_TRUE(main_window()) << "the window did not appear";
  std::this_thread::sleep_for(3s);
  EXPECT_FALSE(message_box(0ms)) << "an offer without a published version";
  EXPECT_TRUE(program_->running()) << "the program ended without the publisher";
  EXPECT_TRUE(main_window(5s)) << "the window closed";
}

}  // namespace
}  // namespace blackbox
