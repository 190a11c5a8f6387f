// A download's progress shows in the busy label beside the buttons: whole, without covering or
// moving any control, and back to the busy text when cleared.
#include <gtest/gtest.h>

#include <QFontMetrics>
#include <QLabel>
#include <QMap>
#include <QPushButton>
#include <QRect>
#include <QWidget>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "tests/app/qt_helpers.h"

namespace {

// 正在下载 12/13：1234.5 MB / 4096.0 MB, longer than any the download shows in practice.
const net::Text kLongProgress =
    "\xD5\xFD\xD4\xDA\xCF\xC2\xD4\xD8 12/13\xA3\xBA"
    "1234.5 MB / 4096.0 MB";
// 正在处理，请稍候
const net::Text kBusyText = "\xD5\xFD\xD4\xDA\xB4\xA6\xC0\xED\xA3\xAC\xC7\xEB\xC9\xD4\xBA\xF2";

QMap<QString, QRect> control_places(const QWidget& window) {
  QMap<QString, QRect> places;
  for (const QWidget* control : window.findChildren<QWidget*>(Qt::FindDirectChildrenOnly)) {
    if (!control->objectName().isEmpty()) places.insert(control->objectName(), control->geometry());
  }
  return places;
}

TEST(Progress, ShownBesideTheButtonsWithoutTouchingAnyControl) {
  app::MainWindow* seen = nullptr;
  QString shown, cleared;
  QMap<QString, QRect> during;
  bool fits = false;
  std::vector<QString> covered;
  app::MainWindow window({.on_download = [&](resolve::Window& w) {
    auto* label = seen->findChild<QLabel*>(QStringLiteral("busy_status"));
    w.show_progress(kLongProgress);
    w.process_events();
    shown = label->text();
    during = control_places(*seen);
    const QRect needed = label->fontMetrics().boundingRect(
        QRect(QPoint(), label->size()), Qt::TextWordWrap | Qt::AlignLeft | Qt::AlignTop, shown);
    fits = label->contentsRect().contains(needed.translated(label->contentsRect().topLeft()));
    for (auto [name, place] : during.asKeyValueRange()) {
      if (name != label->objectName() && place.intersects(label->geometry())) covered.push_back(name);
    }
    w.show_progress({});
    cleared = label->text();
  }});
  seen = &window;
  window.show();
  const auto before = control_places(window);
  window
      .findChild<QPushButton*>(app::to_qstring("\xB0\xB4\xC5\xA5"
                                               "2"))  // 按钮2
      ->click();

  EXPECT_EQ(shown, app::to_qstring(kLongProgress));
  EXPECT_TRUE(fits) << "the whole line shows";
  EXPECT_TRUE(covered.empty()) << covered.size() << " controls under the label, first "
                               << (covered.empty() ? std::string() : covered.front().toStdString());
  EXPECT_EQ(during, before) << "no control moved";
  EXPECT_EQ(control_places(window), before);
  EXPECT_EQ(cleared, app::to_qstring(kBusyText));
}

}  // namespace
