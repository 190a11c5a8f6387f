#include "resolve/run_directory.h"

#include <filesystem>
#include <system_error>

namespace resolve {

std::string run_directory() {
  std::error_code error;
  const std::filesystem::path exe = std::filesystem::read_symlink("/proc/self/exe", error);
  if (error) return {};
  std::string folder = exe.parent_path().string();
  // The root folder is the one path whose slash cannot go.
  while (folder.size() > 1 && folder.back() == '/')
    folder.pop_back();
  return folder;
}

}  // namespace resolve
