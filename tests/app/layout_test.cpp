// The window's fixed layout, control by control, checked against the real window.
#include <gtest/gtest.h>

#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRect>
#include <string>
#include <vector>

#include "app/html_view.h"
#include "app/main_window.h"
#include "app/picture_box.h"
#include "app/qt_text.h"
#include "resolve/hosts.h"
#include "resolve/sample_link.h"
#include "tests/app/qt_helpers.h"

namespace {

struct Control {
  std::string name;    // GBK
  const char* kind;    // the Qt class it is (or derives from)
  std::string parent;  // GBK; empty for the window itself
  QRect geometry;      // relative to the parent's client area
  std::string text;    // GBK; caption, button text or box content at start
};

const std::string kGroup =
    "\xB7\xD6\xD7\xE9\xBF\xF2"
    "1";  // 分组框1

const std::vector<Control>& layout() {
  static const std::vector<Control> rows = {
      {"\xB3\xAC\xCE\xC4\xB1\xBE\xE4\xAF\xC0\xC0\xBF\xF2"
       "1",
       "app::HtmlView",
       "",
       {552, 0, 480, 632},
       ""},  // 超文本浏览框1
      {"\xB1\xEA\xC7\xA9"
       "7",
       "QLabel",
       "",
       {0, 40, 552,
        32},  // 标签7
              // 目前支持解析视频站：抖音、火山、快手、头条（为去水印）、微博、微视、网易云、美拍、陌陌、
       "\xC4\xBF\xC7\xB0\xD6\xA7\xB3\xD6\xBD\xE2\xCE\xF6\xCA\xD3\xC6\xB5\xD5\xBE\xA3\xBA\xB6\xB6\xD2\xF4\xA1"
       "\xA2"
       "\xBB\xF0\xC9\xBD\xA1\xA2\xBF\xEC\xCA\xD6\xA1\xA2\xCD\xB7\xCC\xF5\xA3\xA8\xCE\xAA\xC8\xA5\xCB\xAE\xD3"
       "\xA1"
       "\xA3\xA9\xA1\xA2\xCE\xA2\xB2\xA9\xA1\xA2\xCE\xA2\xCA\xD3\xA1\xA2\xCD\xF8\xD2\xD7\xD4\xC6\xA1\xA2\xC3"
       "\xC0"
       "\xC5\xC4\xA1\xA2\xC4\xB0\xC4\xB0\xA1\xA2"},
      {"\xB1\xEA\xC7\xA9"
       "6",
       "QLabel",
       "",
       {8, 8, 536, 24},  // 标签6 本工具仅供娱乐，勿用其他商业用途
       "\xB1\xBE\xB9\xA4\xBE\xDF\xBD\xF6\xB9\xA9\xD3\xE9\xC0\xD6\xA3\xAC\xCE\xF0\xD3\xC3\xC6\xE4\xCB\xFB\xC9"
       "\xCC"
       "\xD2\xB5\xD3\xC3\xCD\xBE"},
      {"\xB1\xEA\xC7\xA9"
       "5",
       "QLabel",
       "",
       {0, 296, 72, 48},
       "\xBD\xE2\xCE\xF6\xB5\xD8\xD6\xB7"
       "2"},  // 标签5 解析地址2
      {"\xB1\xE0\xBC\xAD\xBF\xF2_\xBD\xE2\xCE\xF6\xBA\xF3\xB5\xD8\xD6\xB7"
       "2",
       "QPlainTextEdit",
       "",
       {80, 288, 472, 56},
       ""},  // 编辑框_解析后地址2
      {"\xB0\xB4\xC5\xA5"
       "2",
       "QPushButton",
       "",
       {456, 360, 80, 40},
       "\xCF\xC2\xD4\xD8"},  // 按钮2 下载
      {"\xB1\xEA\xC7\xA9"
       "4",
       "QLabel",
       "",
       {368, 552, 144, 32},
       std::string(resolve::hosts::kPublisherHost)},  // 标签4
      {"\xB1\xEA\xC7\xA9"
       "2",
       "QLabel",
       "",
       {0, 224, 72, 48},
       "\xBD\xE2\xCE\xF6\xB5\xD8\xD6\xB7"},  // 标签2 解析地址
      {"\xB1\xE0\xBC\xAD\xBF\xF2_\xBD\xE2\xCE\xF6\xBA\xF3\xB5\xD8\xD6\xB7"
       "1",
       "QLineEdit",
       "",
       {80, 216, 472, 56},
       ""},  // 编辑框_解析后地址1
      {"\xB1\xEA\xC7\xA9"
       "1",
       "QLabel",
       "",
       {8, 152, 64, 40},
       "\xCD\xF8\xD6\xB7"},  // 标签1 网址
      {"\xB1\xE0\xBC\xAD\xBF\xF2_\xCD\xF8\xD6\xB7",
       "QLineEdit",
       "",
       {80, 136, 472, 64},
       std::string(resolve::kSampleShareLink)},  // 编辑框_网址
      {"\xB0\xB4\xC5\xA5"
       "1",
       "QPushButton",
       "",
       {360, 358, 80, 40},
       "\xBD\xE2\xCE\xF6"},                               // 按钮1 解析
      {kGroup, "QGroupBox", "", {0, 352, 344, 280}, ""},  // no caption
      {"\xCD\xBC\xC6\xAC\xBF\xF2"
       "1",
       "app::PictureBox",
       kGroup,
       {10, 56, 230, 224},
       ""},  // 图片框1
      {"\xB1\xEA\xC7\xA9"
       "3",
       "QLabel",
       kGroup,
       {7, 16, 321, 40},
       "\xCA\xD3\xC6\xB5\xC3\xFB\xB3\xC6"},  // 标签3 视频名称
  };
  return rows;
}

// What a control shows as its fixed text or content.
QString shown_text(QWidget* widget) {
  if (auto* label = qobject_cast<QLabel*>(widget)) return label->text();
  if (auto* button = qobject_cast<QPushButton*>(widget)) return button->text();
  if (auto* line = qobject_cast<QLineEdit*>(widget)) return line->text();
  if (auto* box = qobject_cast<QPlainTextEdit*>(widget)) return box->toPlainText();
  if (auto* group = qobject_cast<QGroupBox*>(widget)) return group->title();
  return {};
}

TEST(Layout, EveryControlHasItsKindPlaceSizeTextAndParent) {
  app::MainWindow window;
  for (const Control& row : layout()) {
    const QString name = app::to_qstring(row.name);
    auto* widget = window.findChild<QWidget*>(name);
    ASSERT_NE(widget, nullptr) << name.toStdString();
    EXPECT_TRUE(widget->inherits(row.kind))
        << name.toStdString() << " is a " << widget->metaObject()->className();
    const QWidget* expected_parent = row.parent.empty()
                                         ? static_cast<QWidget*>(&window)
                                         : window.findChild<QWidget*>(app::to_qstring(row.parent));
    EXPECT_EQ(widget->parentWidget(), expected_parent) << name.toStdString();
    EXPECT_EQ(widget->geometry(), row.geometry) << name.toStdString();
    EXPECT_EQ(shown_text(widget), app::to_qstring(row.text)) << name.toStdString();
  }
}

TEST(Layout, ControlsAreHeldInTheTableOrder) {
  app::MainWindow window;
  // The table's controls among each parent's children, in the order the parent holds them.
  auto named_children = [](const QObject* parent) {
    std::vector<std::string> names;
    for (const QObject* child : parent->children()) {
      const std::string name = app::to_text(child->objectName());
      for (const Control& row : layout()) {
        if (row.name == name) names.push_back(name);
      }
    }
    return names;
  };
  std::vector<std::string> top, in_group;
  for (const Control& row : layout())
    (row.parent.empty() ? top : in_group).push_back(row.name);
  EXPECT_EQ(named_children(&window), top);
  EXPECT_EQ(named_children(window.findChild<QGroupBox*>(app::to_qstring(kGroup))), in_group);
}

TEST(Layout, WindowHasNoTitleFixedClientSizeAndPlace) {
  app::MainWindow window;
  window.show();
  EXPECT_TRUE(window.windowTitle().isEmpty());
  EXPECT_EQ(window.pos(), QPoint(50, 50));
  EXPECT_EQ(window.size(), QSize(1032, 632));
  EXPECT_EQ(window.minimumSize(), QSize(1032, 632));
  EXPECT_EQ(window.maximumSize(), QSize(1032, 632));
}

TEST(Layout, HtmlViewWaitsForItsFirstNavigation) {
  app::MainWindow window;
  window.show();
  auto* view = window.findChild<app::HtmlView*>();
  ASSERT_NE(view, nullptr);
  EXPECT_EQ(view->web_view(), nullptr);
  EXPECT_EQ(window.view_width(), 480);
  EXPECT_EQ(window.view_height(), 632);
  // The sample link is what the URL box hands to an action right after start.
  EXPECT_EQ(window.url_text(), resolve::kSampleShareLink);
  EXPECT_TRUE(net::contains(window.url_text(), "https://www.iesdouyin.com/share/video/"));
}

}  // namespace
