#include "resolve/save_video.h"

#include <fcntl.h>
#include <stdio.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <chrono>
#include <cstdint>
#include <filesystem>
#include <memory>
#include <random>
#include <system_error>

#include "net/codepage.h"
#include "net/web_request.h"
#include "resolve/hosts.h"
#include "resolve/run_directory.h"

namespace resolve {
namespace {

// The digits cover bytes 129 to 133; a shorter video gets them from its end on.
constexpr std::int64_t kStampOffset = 128;
constexpr int kLowestDigits = 10000;
constexpr int kHighestDigits = 99999;
constexpr int kNameTries = 10000;
constexpr int kPartFileTries = 100;

bool write_all(int fd, const std::uint8_t* data, std::size_t size) {
  while (size > 0) {
    const ssize_t written = ::write(fd, data, size);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    data += written;
    size -= static_cast<std::size_t>(written);
  }
  return true;
}

bool pwrite_all(int fd, std::string_view bytes, std::int64_t offset) {
  while (!bytes.empty()) {
    const ssize_t written = ::pwrite(fd, bytes.data(), bytes.size(), static_cast<off_t>(offset));
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    bytes.remove_prefix(static_cast<std::size_t>(written));
    offset += written;
  }
  return true;
}

// The file a video arrives in, under a name no final name can take; it is removed when it goes
// out of scope unless it was published under its final name.
class PartFile {
 public:
  explicit PartFile(const std::string& folder) {
    std::random_device entropy;
    for (int i = 0; i < kPartFileTries && fd_ < 0; ++i) {
      const std::string path = folder + "/.download-" + std::to_string(entropy()) + ".part";
      // The mode goes through the user's umask like any file the user creates.
      fd_ = ::open(path.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
      if (fd_ >= 0) path_ = path;
      if (fd_ < 0 && errno != EEXIST) return;
    }
  }
  ~PartFile() {
    close();
    if (!path_.empty()) ::unlink(path_.c_str());
  }
  PartFile(const PartFile&) = delete;
  PartFile& operator=(const PartFile&) = delete;

  bool is_open() const { return fd_ >= 0; }
  int fd() const { return fd_; }
  const std::string& path() const { return path_; }

  // False when data may not have reached the file.
  bool close() {
    if (fd_ < 0) return true;
    const bool closed = ::close(fd_) == 0;
    fd_ = -1;
    return closed;
  }
  // It has its final name now; the temporary one is gone.
  void published() { path_.clear(); }

 private:
  int fd_ = -1;
  std::string path_{};
};

enum class Publish { done, name_taken, failed };

// Gives `from` the name `to` unless a file of that name exists: an existing file is never
// replaced, not even by a race between the test and the rename.
Publish publish_as(const std::string& from, const std::string& to) {
  if (::renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0) return Publish::done;
  if (errno == EEXIST) return Publish::name_taken;
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) return Publish::failed;
  // A file system without the flag: a hard link refuses an existing name just the same.
  if (::link(from.c_str(), to.c_str()) != 0) return errno == EEXIST ? Publish::name_taken : Publish::failed;
  ::unlink(from.c_str());
  return Publish::done;
}

bool folder_ready(const std::string& folder) {
  std::error_code error;
  std::filesystem::create_directory(folder, error);
  return std::filesystem::is_directory(folder, error);
}

std::string digits_text(const DownloadSeams& seams) {
  const int drawn = seams.digits ? seams.digits() : kLowestDigits;
  return std::to_string(std::clamp(drawn, kLowestDigits, kHighestDigits));
}

// Moves the finished part file to the first free name of the stem, "_2", "_3", ...
std::string publish(PartFile& part, const std::string& folder, const std::string& stem) {
  const std::string suffix = "." + net::gbk_to_utf8(hosts::kPublisherDomain) + ".mp4";
  for (int n = 1; n <= kNameTries; ++n) {
    const std::string path = folder + "/" + stem + (n == 1 ? "" : "_" + std::to_string(n)) + suffix;
    switch (publish_as(part.path(), path)) {
      case Publish::done:
        part.published();
        return path;
      case Publish::name_taken:
        continue;
      case Publish::failed:
        return {};
    }
  }
  return {};
}

std::string save(const net::Text& address, const DownloadSeams& seams, const TransferProgress& progress) {
  if (net::trim(address).empty()) return {};
  const std::string& folder = seams.folder;
  if (folder.empty() || !folder_ready(folder)) return {};
  PartFile part(folder);
  if (!part.is_open()) return {};

  std::int64_t length = 0;
  bool written = true;
  bool complete = false;
  int status = 0;
  net::web_request({.url = address,
                    .out_status = &status,
                    .on_progress = progress,
                    .body_sink =
                        [&](const std::uint8_t* data, std::size_t size) {
                          written = write_all(part.fd(), data, size);
                          length += static_cast<std::int64_t>(size);
                          return written;
                        },
                    .out_complete = &complete});
  if (!written || !complete || status < 200 || status > 299 || length == 0) return {};

  if (!pwrite_all(part.fd(), digits_text(seams), std::min(kStampOffset, length))) return {};
  if (!part.close()) return {};
  const LocalTime now = seams.clock ? seams.clock() : local_now();
  return publish(part, folder, std::to_string(timestamp_seconds(now)));
}

}  // namespace

std::string download_folder() {
  return run_directory() + "/" + net::gbk_to_utf8(kDownloadFolderName);
}

std::function<int()> seeded_digits() {
  std::shared_ptr<std::mt19937> engine;
  try {
    engine = std::make_shared<std::mt19937>(std::random_device{}());
  } catch (...) {
    // No entropy source: the clock still differs from run to run.
    engine = std::make_shared<std::mt19937>(
        static_cast<std::mt19937::result_type>(std::chrono::steady_clock::now().time_since_epoch().count()));
  }
  return [engine] { return std::uniform_int_distribution<int>(kLowestDigits, kHighestDigits)(*engine); };
}

std::string save_video(const net::Text& address, const DownloadSeams& seams,
                       const TransferProgress& progress) {
  try {
    return save(address, seams, progress);
  } catch (...) {
    // Only memory can run out here; the video counts as not saved, and its part file is gone.
    return {};
  }
}

}  // namespace resolve
