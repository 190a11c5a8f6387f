// The window's tests need a Qt application object for their whole run, on a screen of no
// display, made the way the program makes its own.
#include <gtest/gtest.h>

#include <QApplication>
#include <QtGlobal>

#include "app/process_setup.h"

int main(int argc, char** argv) {
  testing::InitGoogleTest(&argc, argv);
  qputenv("QT_QPA_PLATFORM", "offscreen");
  app::prepare_process();
  QApplication application(argc, argv);
  return RUN_ALL_TESTS();
}
