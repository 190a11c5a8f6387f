// The disk failing under a download: a download folder that cannot be made, one that takes no
// files, a file system that fills up during a video or has no inode left. The end message says
// the video was not saved, and nothing of it is left in the folder, not even its part file.
//
// As root the test mounts small file systems of its own (tmpfs); as another user it makes
// read-only folders by their permissions, and the cases that need a mount are skipped.

#include <gtest/gtest.h>
#include <sys/mount.h>
#include <sys/stat.h>
#include <sys/statvfs.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "tests/resolve/fault_fixture.h"

namespace resolve {
namespace {

using testing_support::entries_of;
using testing_support::FaultTest;
using testing_support::kDouyin;
using testing_support::kNoneSaved;

// A tmpfs mounted on `dir` for the length of a scope.
class ScratchMount {
 public:
  ScratchMount(std::filesystem::path dir, std::string options)
      : dir_(std::move(dir)), options_(std::move(options)) {
    std::filesystem::create_directories(dir_);
    mounted_ = ::geteuid() == 0 &&
               ::mount("tmpfs", dir_.c_str(), "tmpfs", MS_NOSUID | MS_NODEV, options_.c_str()) == 0;
  }
  ~ScratchMount() {
    if (mounted_) ::umount2(dir_.c_str(), MNT_DETACH);
  }
  ScratchMount(const ScratchMount&) = delete;
  ScratchMount& operator=(const ScratchMount&) = delete;

  bool mounted() const { return mounted_; }
  bool make_read_only() {
    return mounted_ && ::mount("tmpfs", dir_.c_str(), "tmpfs", MS_REMOUNT | MS_RDONLY | MS_NOSUID | MS_NODEV,
                               options_.c_str()) == 0;
  }
  // Bytes a user may still write.
  std::uint64_t free_bytes() const {
    struct statvfs figures {};
    ::statvfs(dir_.c_str(), &figures);
    return std::uint64_t{figures.f_bavail} * figures.f_frsize;
  }

 private:
  std::filesystem::path dir_;
  std::string options_;
  bool mounted_ = false;
};

class DiskFaultTest : public FaultTest {
 protected:
  DiskFaultTest() { seams.folder = download_folder_in(disk).string(); }

  static std::filesystem::path download_folder_in(const std::filesystem::path& dir) {
    return dir / net::gbk_to_utf8(kDownloadFolderName);
  }
  std::filesystem::path saved_folder() const { return seams.folder; }

  void expect_nothing_saved(const std::string& what) {
    ASSERT_EQ(window.messages.size(), 1u) << what;
    EXPECT_EQ(window.messages[0].text, kNoneSaved) << what;
    EXPECT_EQ(entries_of(saved_folder()), std::vector<std::string>{}) << what << ": not even a part file";
  }

  const std::filesystem::path disk = run_dir / "disk";
};

// A folder nobody may write to: a read-only mount for root (whom permissions do not stop), the
// permissions for anyone else.
class ReadOnlyDir {
 public:
  explicit ReadOnlyDir(const std::filesystem::path& dir) : dir_(dir), mount_(dir, "size=1m,mode=0755") {}
  ~ReadOnlyDir() {
    if (!mount_.mounted()) std::filesystem::permissions(dir_, std::filesystem::perms::owner_all);
  }
  // Runs `prepare` while the folder is still writable, then takes writing away.
  template <typename Prepare>
  bool seal(Prepare prepare) {
    prepare();
    if (mount_.mounted()) return mount_.make_read_only();
    if (::geteuid() == 0) return false;
    std::filesystem::permissions(dir_,
                                 std::filesystem::perms::owner_read | std::filesystem::perms::owner_exec);
    return true;
  }

 private:
  std::filesystem::path dir_;
  ScratchMount mount_;
};

TEST_F(DiskFaultTest, ADownloadFolderThatCannotBeMadeSavesNothing) {
  ReadOnlyDir run_dir_sealed(disk);
  if (!run_dir_sealed.seal([] {})) GTEST_SKIP() << "running as root where no file system can be mounted";
  download(kDouyin);
  expect_nothing_saved("the folder's parent is read-only");
  EXPECT_FALSE(std::filesystem::exists(saved_folder()));
  EXPECT_EQ(window.box1, kDouyin.video_url()) << "the reply is still shown";
}

TEST_F(DiskFaultTest, AReadOnlyDownloadFolderSavesNothing) {
  ReadOnlyDir sealed(disk);
  if (!sealed.seal([&] { std::filesystem::create_directory(saved_folder()); })) {
    GTEST_SKIP() << "running as root where no file system can be mounted";
  }
  download(kDouyin);
  expect_nothing_saved("a read-only download folder");
}

// tmpfs of 1 MiB: a video of 2 MiB fills it midway. Its part file goes, and with it the space.
TEST_F(DiskFaultTest, AFileSystemThatFillsUpMidwayLeavesNoFileAndItsSpaceFree) {
  ScratchMount small(disk, "size=1m");
  if (!small.mounted()) GTEST_SKIP() << "needs root and a tmpfs to fill";
  std::filesystem::create_directory(saved_folder());
  service.set_video_size(kDouyin.video_path(), 2 << 20);
  const std::uint64_t free_before = small.free_bytes();
  download(kDouyin);
  expect_nothing_saved("the disk filled up during the video");
  EXPECT_EQ(small.free_bytes(), free_before) << "the part file's space is given back";
}

// Three videos of a list on 1 MiB: the first and the last fit; the middle one does not, and
// because its part file is gone the last one still has room.
TEST_F(DiskFaultTest, AListWhoseMiddleVideoDoesNotFitSavesTheOthers) {
  ScratchMount small(disk, "size=1m");
  if (!small.mounted()) GTEST_SKIP() << "needs root and a tmpfs to fill";
  const testing_support::Site huoshan{"https://share.huoshan.com/hotsoon/s/x/", "huoshan"};
  const std::size_t sizes[] = {300 << 10, 2 << 20, 300 << 10};
  for (int n = 1; n <= 3; ++n)
    service.set_video_size(huoshan.video_path(n), sizes[n - 1]);
  int drawn = 0;
  seams.digits = [&] { return 10000 + ++drawn; };
  download(huoshan);
  ASSERT_EQ(window.messages.size(), 1u);
  EXPECT_EQ(window.messages[0].text, testing_support::kSomeFailed);
  auto names = entries_of(saved_folder());
  std::sort(names.begin(), names.end());
  ASSERT_EQ(names, (std::vector<std::string>{saved_path().filename().string(),
                                             saved_path("_2").filename().string()}));
  for (const auto& name : names) {
    const std::string saved = read_file(saved_folder() / name);
    EXPECT_EQ(saved.size(), sizes[0]) << name << ": saved whole";
    EXPECT_EQ(saved.substr(0, 128), standin::pattern_bytes(128)) << name;
  }
}

// tmpfs with a fixed number of inodes: the root takes one, so with one in all the folder cannot
// be made, and with two the folder takes the last and the part file finds none.
TEST_F(DiskFaultTest, NoInodeLeftSavesNothing) {
  struct Case {
    const char* what_it_proves;
    const char* options;
    bool folder_made_first;
  };
  const Case cases[] = {
      {"no inode for the download folder", "size=1m,nr_inodes=1", false},
      {"no inode for the video's part file", "size=1m,nr_inodes=2", true},
  };
  for (const auto& c : cases) {
    ScratchMount scarce(disk, c.options);
    if (!scarce.mounted()) GTEST_SKIP() << "needs root and a tmpfs";
    if (c.folder_made_first) {
      ASSERT_TRUE(std::filesystem::create_directory(saved_folder())) << c.what_it_proves;
    }
    window = {};
    download(kDouyin);
    expect_nothing_saved(c.what_it_proves);
  }
}

}  // namespace
}  // namespace resolve
