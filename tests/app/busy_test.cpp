// One action at a time: the buttons start the actions, are held off while one runs, and a close
// asked for meanwhile waits for its end. Closing the window ends the message loop.
#include <gtest/gtest.h>

#include <QApplication>
#include <QCursor>
#include <QElapsedTimer>
#include <QLabel>
#include <QPushButton>
#include <QTimer>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "resolve/sample_link.h"
#include "tests/app/qt_helpers.h"

namespace {

QPushButton* parse_button(app::MainWindow& window) {
  return window.findChild<QPushButton*>(
      app::to_qstring("\xB0\xB4\xC5\xA5"
                      "1"));  // 按钮1
}
QPushButton* download_button(app::MainWindow& window) {
  return window.findChild<QPushButton*>(
      app::to_qstring("\xB0\xB4\xC5\xA5"
                      "2"));  // 按钮2
}

TEST(Busy, EachButtonStartsItsActionOnTheWindow) {
  int parses = 0, downloads = 0;
  net::Text link;
  app::MainWindow window({.on_parse =
                              [&](resolve::Window& w) {
                                ++parses;
                                link = w.url_text();
                              },
                          .on_download = [&](resolve::Window&) { ++downloads; }});
  window.show();
  parse_button(window)->click();
  EXPECT_EQ(parses, 1);
  EXPECT_EQ(downloads, 0);
  EXPECT_EQ(link, resolve::kSampleShareLink);
  download_button(window)->click();
  EXPECT_EQ(parses, 1);
  EXPECT_EQ(downloads, 1);
}

TEST(Busy, ButtonsAreHeldOffAndBusyIsShownWhileAnActionRuns) {
  app::MainWindow* seen = nullptr;
  bool parse_enabled = true, download_enabled = true, status_shown = false, busy = false;
  Qt::CursorShape cursor = Qt::ArrowCursor;
  int parses = 0, downloads = 0;
  app::WindowActions actions;
  actions.on_download = [&](resolve::Window&) { ++downloads; };
  actions.on_parse = [&](resolve::Window& w) {
    ++parses;
    parse_enabled = parse_button(*seen)->isEnabled();
    download_enabled = download_button(*seen)->isEnabled();
    status_shown = seen->findChild<QLabel*>(QStringLiteral("busy_status"))->isVisible();
    busy = seen->busy();
    cursor = seen->cursor().shape();
    // Clicks that arrive while events run inside the action start nothing.
    QTimer::singleShot(0, [&] {
      parse_button(*seen)->click();
      download_button(*seen)->click();
    });
    w.wait_ms(50);
  };
  app::MainWindow window(actions);
  seen = &window;
  window.show();
  parse_button(window)->click();

  EXPECT_FALSE(parse_enabled);
  EXPECT_FALSE(download_enabled);
  EXPECT_TRUE(status_shown);
  EXPECT_TRUE(busy);
  EXPECT_EQ(cursor, Qt::WaitCursor);
  EXPECT_EQ(parses, 1);
  EXPECT_EQ(downloads, 0);
  // And all comes back when it ends.
  EXPECT_TRUE(parse_button(window)->isEnabled());
  EXPECT_TRUE(download_button(window)->isEnabled());
  EXPECT_FALSE(window.findChild<QLabel*>(QStringLiteral("busy_status"))->isVisible());
  EXPECT_FALSE(window.busy());
}

TEST(Busy, CloseDuringAnActionTakesEffectWhenItEnds) {
  bool visible_after_close = false;
  app::MainWindow* seen = nullptr;
  app::MainWindow window({.on_parse = [&](resolve::Window& w) {
    QTimer::singleShot(0, seen, [&] { seen->close(); });  // the user closes the window meanwhile
    w.wait_ms(30);
    w.request_close();  // and so may the action itself
    w.process_events();
    visible_after_close = seen->isVisible();
  }});
  seen = &window;
  window.show();
  parse_button(window)->click();
  EXPECT_TRUE(visible_after_close);
  EXPECT_FALSE(window.isVisible());
}

TEST(Busy, IdleCloseTakesEffectAtOnce) {
  app::MainWindow window;
  window.show();
  window.request_close();
  EXPECT_FALSE(window.isVisible());
}

TEST(Busy, WaitingLetsEventsRunForTheTimeAsked) {
  app::MainWindow window;
  int fired = 0;
  QTimer::singleShot(0, [&] { ++fired; });
  window.process_events();
  EXPECT_EQ(fired, 1);

  QElapsedTimer clock;
  bool early = false, late = false;
  QTimer::singleShot(10, [&] { early = true; });
  QTimer::singleShot(5000, [&] { late = true; });
  clock.start();
  window.wait_ms(100);
  EXPECT_TRUE(early);
  EXPECT_FALSE(late);
  EXPECT_GE(clock.elapsed(), 100);
}

TEST(Busy, CreatedStepRunsOnceInTheLoopAndItsCloseEndsTheLoop) {
  int created = 0;
  bool buttons_held = false;
  app::MainWindow* seen = nullptr;
  app::MainWindow window({.on_created = [&](resolve::Window& w) {
    ++created;
    buttons_held = !parse_button(*seen)->isEnabled();
    w.request_close();
  }});
  seen = &window;
  EXPECT_EQ(created, 0);  // not while the window is being made
  window.show();
  EXPECT_EQ(created, 0);  // not before the loop runs
  // A loop that does not end would hang the test: a guard ends it with another code.
  QTimer guard;
  guard.setSingleShot(true);
  QObject::connect(&guard, &QTimer::timeout, [] { QCoreApplication::exit(99); });
  guard.start(20000);
  EXPECT_EQ(QApplication::exec(), 0);
  EXPECT_EQ(created, 1);
  EXPECT_TRUE(buttons_held);
  EXPECT_FALSE(window.isVisible());

  window.show();  // shown again, it is not created again
  testing_support::wait_until([] { return false; }, 50);
  EXPECT_EQ(created, 1);
}

}  // namespace
