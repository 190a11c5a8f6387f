#pragma once
// The stand-in service and window of ServiceTest, plus what saving needs: a download folder in
// the scratch run directory, a fixed clock and digit source, and reading back what was saved.

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "net/codepage.h"
#include "resolve/save_video.h"
#include "tests/resolve/service_fixture.h"
#include "tools/standin/media.h"

namespace testing_support {

class DownloadTest : public ServiceTest {
 protected:
  // 2024-05-06 07:08:09 on the local clock.
  static constexpr resolve::LocalTime kNow{
      .year = 2024, .month = 5, .day = 6, .hour = 7, .minute = 8, .second = 9};
  static constexpr int kDigits = 48213;

  DownloadTest() {
    seams.clock = [] { return kNow; };
    seams.digits = [] { return kDigits; };
    seams.folder = folder.string();
  }

  static std::string video_url(const std::string& name) { return standin::media_url("/video/" + name); }

  // "<stem><suffix>.publisher.example.mp4" in the download folder.
  std::filesystem::path saved_path(const std::string& suffix = {}, std::int64_t stem = 0) const {
    const std::int64_t seconds = stem ? stem : resolve::timestamp_seconds(kNow);
    return folder /
           (std::to_string(seconds) + suffix + "." + std::string(resolve::hosts::kPublisherDomain) + ".mp4");
  }

  // The names in the download folder, sorted; none when it does not exist.
  std::vector<std::string> folder_entries() const {
    std::vector<std::string> names;
    std::error_code error;
    for (const auto& entry : std::filesystem::directory_iterator(folder, error))
      names.push_back(entry.path().filename().string());
    std::sort(names.begin(), names.end());
    return names;
  }

  static std::string read_file(const std::filesystem::path& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream bytes;
    bytes << in.rdbuf();
    return bytes.str();
  }

  // The paths the media host was asked for, in order.
  std::vector<std::string> media_paths() const {
    std::vector<std::string> paths;
    for (const auto& request : service.requests_to(standin::kMediaHost))
      paths.push_back(request.path);
    return paths;
  }

  // What a video of `size` pattern bytes is saved as, with kDigits stamped in.
  static std::string stamped(std::size_t size) {
    std::string bytes = standin::pattern_bytes(size);
    const std::size_t at = std::min<std::size_t>(128, size);
    bytes.resize(std::max(size, at + 5));
    bytes.replace(at, 5, std::to_string(kDigits));
    return bytes;
  }

  // The download folder, by its GBK name converted for the file system.
  const std::filesystem::path folder = run_dir / net::gbk_to_utf8(resolve::kDownloadFolderName);
  resolve::DownloadSeams seams;
};

}  // namespace testing_support
