// Message boxes: answered through the window's seam in tests, and real, modal boxes without it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QMessageBox>
#include <QPushButton>
#include <QTimer>
#include <vector>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "tests/app/qt_helpers.h"

namespace {

const net::Text kText =
    "\xCA\xD3\xC6\xB5\xD2\xD1\xBE\xAD\xCF\xC2\xD4\xD8\xB3\xC9\xB9\xA6";  // 视频已经下载成功

TEST(MessageBox, AnswererSeesTheShownTextAndItsAnswerIsReturned) {
  struct Case {
    const char* proves;
    resolve::Buttons buttons;
    resolve::Answer answer;
  };
  const Case cases[] = {
      {"an OK box", resolve::Buttons::ok, resolve::Answer::ok},
      {"Cancel chosen on an OK and Cancel box", resolve::Buttons::ok_cancel, resolve::Answer::cancel},
      {"OK chosen on an OK and Cancel box", resolve::Buttons::ok_cancel, resolve::Answer::ok},
  };
  for (const Case& row : cases) {
    app::MainWindow window;
    std::vector<QString> shown;
    std::vector<resolve::Buttons> offered;
    window.set_message_answerer([&](const QString& text, resolve::Buttons buttons) {
      shown.push_back(text);
      offered.push_back(buttons);
      return row.answer;
    });
    const net::Text text = kText + "\r\n2.1";
    EXPECT_EQ(window.message_box(text, row.buttons), row.answer) << row.proves;
    ASSERT_EQ(shown.size(), 1u) << row.proves;
    EXPECT_EQ(shown[0],
              QString::fromUtf8("\xE8\xA7\x86\xE9\xA2\x91\xE5\xB7\xB2\xE7\xBB\x8F\xE4\xB8\x8B\xE8\xBD\xBD"
                                "\xE6\x88\x90\xE5\x8A\x9F\r\n2.1"))
        << row.proves;
    EXPECT_EQ(offered[0], row.buttons) << row.proves;
  }
}

TEST(MessageBox, RealBoxIsModalTitledAndTellsTheButtonPressed) {
  struct Case {
    const char* proves;
    resolve::Buttons buttons;
    QMessageBox::StandardButtons offered;
    bool press_cancel;  // else OK
    bool close_box;     // closed without a button
    resolve::Answer answer;
  };
  const Case cases[] = {
      {"OK on an OK box", resolve::Buttons::ok, QMessageBox::Ok, false, false, resolve::Answer::ok},
      {"Cancel pressed", resolve::Buttons::ok_cancel, QMessageBox::Ok | QMessageBox::Cancel, true, false,
       resolve::Answer::cancel},
      {"OK pressed with Cancel offered", resolve::Buttons::ok_cancel, QMessageBox::Ok | QMessageBox::Cancel,
       false, false, resolve::Answer::ok},
      {"closing the box counts as Cancel", resolve::Buttons::ok_cancel, QMessageBox::Ok | QMessageBox::Cancel,
       false, true, resolve::Answer::cancel},
  };
  for (const Case& row : cases) {
    app::MainWindow window;
    window.show();
    QString title, text;
    QMessageBox::StandardButtons buttons;
    bool modal = false;
    QTimer timer;
    timer.setInterval(20);
    QObject::connect(&timer, &QTimer::timeout, [&] {
      auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
      if (box == nullptr) return;
      timer.stop();
      title = box->windowTitle();
      text = box->text();
      buttons = box->standardButtons();
      modal = box->isModal();
      if (row.close_box) {
        box->close();
      } else {
        box->button(row.press_cancel ? QMessageBox::Cancel : QMessageBox::Ok)->click();
      }
    });
    timer.start();
    EXPECT_EQ(window.message_box(kText, row.buttons), row.answer) << row.proves;
    EXPECT_EQ(title, QString::fromUtf8("\xE4\xBF\xA1\xE6\x81\xAF\xEF\xBC\x9A")) << row.proves;  // 信息：
    EXPECT_EQ(text, app::to_qstring(kText)) << row.proves;
    EXPECT_EQ(buttons, row.offered) << row.proves;
    EXPECT_TRUE(modal) << row.proves;
  }
}

}  // namespace
