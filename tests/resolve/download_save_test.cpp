// save_video on its own: the stamped bytes, the names, the folder, and that a failed video
// leaves nothing behind.

#include <gtest/gtest.h>
#include <signal.h>
#include <sys/resource.h>

#include <set>

#include "resolve/save_video.h"
#include "tests/resolve/download_fixture.h"
#include "tests/support/local_server.h"

namespace resolve {
namespace {

using testing_support::DownloadTest;

class SaveVideoTest : public DownloadTest {};

TEST_F(SaveVideoTest, DigitsGoOverBytes129To133OrAfterAShorterVideo) {
  struct Case {
    const char* what_it_proves;
    std::size_t size;
    std::size_t saved_size;
  };
  const Case cases[] = {
      {"a long video keeps its length", 1000, 1000},
      {"exactly 133 bytes: the last five are the digits", 133, 133},
      {"129 to 132 bytes grow to 133", 130, 133},
      {"129 bytes: only the last one is overwritten", 129, 133},
      {"128 bytes: the digits are appended", 128, 133},
      {"a short video gets the digits at its end", 100, 105},
      {"a one-byte video", 1, 6},
  };
  for (const auto& c : cases) {
    const std::string name = std::to_string(c.size) + ".mp4";
    service.set_video_size("/video/" + name, c.size);
    const std::string path = save_video(video_url(name), seams);
    ASSERT_FALSE(path.empty()) << c.what_it_proves;
    const std::string saved = read_file(path);
    ASSERT_EQ(saved.size(), c.saved_size) << c.what_it_proves;
    const std::size_t at = std::min<std::size_t>(c.size, 128);
    EXPECT_EQ(saved.substr(0, at), standin::pattern_bytes(at)) << c.what_it_proves;
    EXPECT_EQ(saved.substr(at, 5), "48213") << c.what_it_proves;
    if (c.size > 133) {
      EXPECT_EQ(saved.substr(133), standin::pattern_bytes(c.size - 133, 133)) << c.what_it_proves;
    }
    std::filesystem::remove(path);
  }
}

TEST_F(SaveVideoTest, SavedUnderTheSecondsAndThePublisherDomain) {
  service.set_video_size("/video/a.mp4", 300);
  const std::string path = save_video(video_url("a.mp4"), seams);
  // 2024-05-06 07:08:09 is 1714950489 seconds after 1970-01-01 08:00:00.
  EXPECT_EQ(path, (folder / "1714950489.publisher.example.mp4").string());
  EXPECT_EQ(folder_entries(), std::vector<std::string>{"1714950489.publisher.example.mp4"});
  EXPECT_EQ(read_file(path), stamped(300));
}

TEST_F(SaveVideoTest, FolderIsCreatedWhenMissingAndLeftAloneWhenThere) {
  ASSERT_FALSE(std::filesystem::exists(folder));
  EXPECT_FALSE(save_video(video_url("a.mp4"), seams).empty());
  EXPECT_TRUE(std::filesystem::is_directory(folder));

  std::ofstream(folder / "mine.txt") << "the user's";
  EXPECT_FALSE(save_video(video_url("b.mp4"), seams).empty());
  EXPECT_EQ(read_file(folder / "mine.txt"), "the user's");
  EXPECT_EQ(folder_entries().size(), 3u);
}

TEST_F(SaveVideoTest, ATakenNameIsNeverReplaced) {
  int drawn = 0;
  const int digits[] = {11111, 22222, 33333};
  seams.digits = [&] { return digits[drawn++ % 3]; };
  std::vector<std::string> paths;
  for (int i = 0; i < 3; ++i)
    paths.push_back(save_video(video_url("a.mp4"), seams));

  EXPECT_EQ(paths, (std::vector<std::string>{saved_path().string(), saved_path("_2").string(),
                                             saved_path("_3").string()}));
  for (int i = 0; i < 3; ++i)
    EXPECT_EQ(read_file(paths[i]).substr(128, 5), std::to_string(digits[i]));
}

TEST_F(SaveVideoTest, AFailedVideoLeavesNoFileAtAll) {
  struct Case {
    const char* what_it_proves;
    std::string address;
    std::function<void(standin::StandinServer&)> arrange;
  };
  const Case cases[] = {
      {"status 404", video_url("gone.mp4"), [](auto& s) { s.set_fault("/video/gone.mp4", {.status = 404}); }},
      {"status 500", video_url("broken.mp4"),
       [](auto& s) { s.set_fault("/video/broken.mp4", {.status = 500}); }},
      {"cut short after 700 of 4096 bytes", video_url("cut.mp4"),
       [](auto& s) { s.set_fault("/video/cut.mp4", {.cut_after = 700}); }},
      {"an empty body with status 200", video_url("empty.mp4"),
       [](auto& s) { s.set_media("/video/empty.mp4", ""); }},
      {"an empty address", "", [](auto&) {}},
      {"an address of spaces", "   ", [](auto&) {}},
  };
  for (const auto& c : cases) {
    c.arrange(service);
    EXPECT_EQ(save_video(c.address, seams), "") << c.what_it_proves;
    EXPECT_EQ(folder_entries(), std::vector<std::string>{}) << c.what_it_proves;
  }
}

TEST_F(SaveVideoTest, AFolderThatCannotBeMadeOrWrittenFails) {
  struct Case {
    const char* what_it_proves;
    std::filesystem::path folder;
  };
  std::ofstream(run_dir / "a file") << "x";
  const Case cases[] = {
      {"the folder's place is taken by a file", run_dir / "a file"},
      {"the folder's parent is missing", run_dir / "missing" / "deeper"},
      {"a folder that takes no new files", "/proc/self"},
  };
  for (const auto& c : cases) {
    seams.folder = c.folder.string();
    EXPECT_EQ(save_video(video_url("a.mp4"), seams), "") << c.what_it_proves;
  }
  EXPECT_EQ(read_file(run_dir / "a file"), "x");
  EXPECT_FALSE(std::filesystem::exists(run_dir / "missing"));
  EXPECT_TRUE(media_paths().empty()) << "nothing is fetched that could not be kept";
}

// Writes past the first byte fail, as on a full disk; the process survives them.
class FileSizeLimit {
 public:
  FileSizeLimit() {
    getrlimit(RLIMIT_FSIZE, &saved_);
    old_handler_ = signal(SIGXFSZ, SIG_IGN);
    rlimit one = saved_;
    one.rlim_cur = 1;
    setrlimit(RLIMIT_FSIZE, &one);
  }
  ~FileSizeLimit() {
    setrlimit(RLIMIT_FSIZE, &saved_);
    signal(SIGXFSZ, old_handler_);
  }

 private:
  rlimit saved_{};
  sighandler_t old_handler_{};
};

TEST_F(SaveVideoTest, AWriteThatFailsMidwayLeavesNoFile) {
  service.set_video_size("/video/big.mp4", 1 << 20);
  std::string path;
  {
    FileSizeLimit limit;
    path = save_video(video_url("big.mp4"), seams);
  }
  EXPECT_EQ(path, "");
  EXPECT_EQ(folder_entries(), std::vector<std::string>{});
}

TEST_F(SaveVideoTest, ProgressReportsTheBytesAndTheAnnouncedTotal) {
  service.set_video_size("/video/big.mp4", 3 << 20);
  std::vector<std::pair<std::int64_t, std::int64_t>> seen;
  const std::string path =
      save_video(video_url("big.mp4"), seams,
                 [&](std::int64_t received, std::int64_t total) { seen.emplace_back(received, total); });
  ASSERT_FALSE(path.empty());
  ASSERT_FALSE(seen.empty());
  EXPECT_EQ(seen.back(), std::make_pair(std::int64_t{3 << 20}, std::int64_t{3 << 20}));
  EXPECT_TRUE(std::is_sorted(seen.begin(), seen.end()));
}

TEST(SeededDigits, FiveDigitNumbersThatDifferBetweenSources) {
  auto first = seeded_digits();
  auto second = seeded_digits();
  std::vector<int> a, b;
  for (int i = 0; i < 20; ++i) {
    a.push_back(first());
    b.push_back(second());
  }
  for (int n : a) {
    EXPECT_GE(n, 10000);
    EXPECT_LE(n, 99999);
  }
  EXPECT_NE(a, b) << "two seedings gave the same twenty numbers";
  EXPECT_GT(std::set<int>(a.begin(), a.end()).size(), 1u);
}

// Without the stand-in's proxy: a server that redirects, and one whose body is on the far side
// of the redirect. Only the final response's body may end up in the file.
TEST(SaveVideoRedirect, OnlyTheFinalBodyIsSaved) {
  const auto folder =
      std::filesystem::temp_directory_path() / ("vidparse-redirect-" + std::to_string(::getpid()));
  std::filesystem::create_directories(folder);
  testing_support::LocalServer server;
  const std::string video = standin::pattern_bytes(500);
  server.server().Get("/old", [](const httplib::Request&, httplib::Response& res) {
    res.status = 302;
    res.set_header("Location", "/new");
    res.set_content("<html>moved to /new, and this page is long enough to be noticed</html>", "text/html");
  });
  server.server().Get(
      "/new", [&](const httplib::Request&, httplib::Response& res) { res.set_content(video, "video/mp4"); });
  server.start();

  DownloadSeams seams{
      .clock = [] { return LocalTime{}; }, .digits = [] { return 12345; }, .folder = folder.string()};
  const std::string path = save_video(server.url("/old"), seams);
  std::string saved;
  {
    std::ifstream in(path, std::ios::binary);
    saved.assign(std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>());
  }
  std::filesystem::remove_all(folder);
  ASSERT_FALSE(path.empty());
  std::string expected = video;
  expected.replace(128, 5, "12345");
  EXPECT_EQ(saved, expected);
}

}  // namespace
}  // namespace resolve
