// What the actions read from and write into the window, through resolve::Window, with the
// program's GBK texts on one side and what the controls show on the other.
#include <gtest/gtest.h>

#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>

#include "app/main_window.h"
#include "app/qt_text.h"
#include "tests/app/qt_helpers.h"

namespace {

const QString kUrlBox = app::to_qstring("\xB1\xE0\xBC\xAD\xBF\xF2_\xCD\xF8\xD6\xB7");  // 编辑框_网址
const QString kBox1 = app::to_qstring(
    "\xB1\xE0\xBC\xAD\xBF\xF2_\xBD\xE2\xCE\xF6\xBA\xF3\xB5\xD8\xD6\xB7"
    "1");  // 编辑框_解析后地址1
const QString kBox2 = app::to_qstring(
    "\xB1\xE0\xBC\xAD\xBF\xF2_\xBD\xE2\xCE\xF6\xBA\xF3\xB5\xD8\xD6\xB7"
    "2");  // 编辑框_解析后地址2
const QString kTitle = app::to_qstring(
    "\xB1\xEA\xC7\xA9"
    "3");  // 标签3

TEST(WindowBoxes, UrlBoxIsReadUntrimmedAsGbk) {
  app::MainWindow window;
  window.findChild<QLineEdit*>(kUrlBox)->setText(
      QString::fromUtf8("  http://v.example/\xE8\xA7\x86\xE9\xA2\x91 "));
  EXPECT_EQ(window.url_text(), "  http://v.example/\xCA\xD3\xC6\xB5 ");  // 视频 in GBK
}

TEST(WindowBoxes, AddressBoxOneIsReplacedAndReadBack) {
  app::MainWindow window;
  window.set_address1("http://v.example/a.mp4#mp4");
  window.set_address1("http://v.example/\xCA\xD3\xC6\xB5.mp4");  // 视频
  EXPECT_EQ(window.findChild<QLineEdit*>(kBox1)->text(),
            QString::fromUtf8("http://v.example/\xE8\xA7\x86\xE9\xA2\x91.mp4"));
  EXPECT_EQ(window.address1(), "http://v.example/\xCA\xD3\xC6\xB5.mp4");
}

TEST(WindowBoxes, AddressBoxTwoAppendsAfterItsContentAndKeepsCrLfLines) {
  struct Case {
    const char* proves;
    net::Text set;
    std::vector<net::Text> appended;
    net::Text read;
    int lines;
  };
  const Case cases[] = {
      {"lines appended with CR LF read back joined by CR LF", "a", {"\r\nb", "\r\nc"}, "a\r\nb\r\nc", 3},
      {"an append without a line break continues the last line", "a", {"b"}, "ab", 1},
      {"appending to an empty box starts it", "", {"x"}, "x", 1},
      {"a set replaces what earlier appends left", "new", {}, "new", 1},
  };
  for (const Case& row : cases) {
    app::MainWindow window;
    window.set_address2("old\r\nlines");
    window.set_address2(row.set);
    for (const net::Text& text : row.appended)
      window.append_address2(text);
    EXPECT_EQ(window.address2(), row.read) << row.proves;
    EXPECT_EQ(window.findChild<QPlainTextEdit*>(kBox2)->document()->blockCount(), row.lines) << row.proves;
  }
}

TEST(WindowBoxes, TitleIsShownAsPlainText) {
  app::MainWindow window;
  const net::Text title = "<b>\xCA\xD3\xC6\xB5</b> & more";  // 视频
  window.set_title(title);
  auto* label = window.findChild<QLabel*>(kTitle);
  EXPECT_EQ(label->text(), app::to_qstring(title));
  EXPECT_EQ(label->textFormat(), Qt::PlainText);
}

}  // namespace
