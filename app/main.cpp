#include <QApplication>

#include "app/created_step.h"
#include "app/main_window.h"
#include "app/process_setup.h"
#include "resolve/download_action.h"
#include "resolve/parse_action.h"

int main(int argc, char** argv) {
  app::prepare_process();
  QApplication application(argc, argv);

  app::MainWindow window({.on_created = app::on_window_created,
                          .on_parse = resolve::parse_action,
                          .on_download = [](resolve::Window& w) { resolve::download_action(w); }});
  window.show();
  // Closing the window, the last one, ends the loop and so the process.
  return QApplication::exec();
}
