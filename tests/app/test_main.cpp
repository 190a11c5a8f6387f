// The window's tests need a Qt application object for their whole run, on a screen of no
// display, made the way the program makes its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QtGlobal>
#include <algorithm>
#include <array>
#include <cstdlib>
#include <string_view>

#include "app/process_setup.h"
#include "tests/app/view_child.h"

namespace {

// The suppressions file lies beside this source; the sanitizer reads its options before main.
constexpr std::string_view kThisFile = __FILE__;
constexpr std::string_view kFolder = kThisFile.substr(0, kThisFile.rfind('/') + 1);
constexpr std::string_view kPrefix = "suppressions=";
constexpr std::string_view kName = "lsan_suppressions.txt";
constexpr auto kLeakOptions = [] {
  std::array<char, kPrefix.size() + kFolder.size() + kName.size() + 1> text{};
  auto out = std::copy(kPrefix.begin(), kPrefix.end(), text.begin());
  out = std::copy(kFolder.begin(), kFolder.end(), out);
  std::copy(kName.begin(), kName.end(), out);
  return text;
}();

}  // namespace

// Read by the sanitizers of a sanitizer build, and by nothing otherwise. Qt WebEngine frees some
// objects with a sized delete of another size; the check stays on for every other suite.
extern "C" const char* __lsan_default_options() {
  return kLeakOptions.data();
}
extern "C" const char* __asan_default_options() {
  return "new_delete_type_mismatch=0";
}

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  app::prepare_process();
  QApplication application(argc, argv);
  if (const char* address = std::getenv(testing_support::kViewChildVariable)) {
    return testing_support::run_view_child(address);
  }
  return RUN_ALL_TESTS();
}
