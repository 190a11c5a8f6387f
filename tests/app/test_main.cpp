// The window's tests need a Qt application object for their whole run, on a screen of no
// display, made the way the program makes its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QtGlobal>
#include <cstdlib>

#include "app/process_setup.h"
#include "tests/app/view_child.h"

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
