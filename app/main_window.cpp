#include "app/main_window.h"

#include <QCloseEvent>
#include <QCoreApplication>
#include <QEventLoop>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QTextCursor>
#include <QTimer>
#include <QUrl>
#include <string_view>

#include "app/html_view.h"
#include "app/picture_box.h"
#include "app/qt_text.h"
#include "resolve/hosts.h"
#include "resolve/sample_link.h"

namespace app {
namespace {

constexpr int kClientWidth = 1032;
constexpr int kClientHeight = 632;

constexpr std::string_view kMessageTitle = "\xD0\xC5\xCF\xA2\xA3\xBA";  // 信息：
constexpr std::string_view kBusyText =
    "\xD5\xFD\xD4\xDA\xB4\xA6\xC0\xED\xA3\xAC\xC7\xEB\xC9\xD4\xBA\xF2";  // 正在处理，请稍候

template <typename Control>
Control* place(Control* control, std::string_view gbk_name, int left, int top, int width, int height) {
  control->setObjectName(to_qstring(gbk_name));
  control->setGeometry(left, top, width, height);
  return control;
}

QLabel* label(QWidget* parent, std::string_view gbk_name, std::string_view gbk_text, int left, int top,
              int width, int height) {
  auto* control = place(new QLabel(parent), gbk_name, left, top, width, height);
  // Titles come from outside: shown as they are, never read as markup.
  control->setTextFormat(Qt::PlainText);
  control->setWordWrap(true);
  control->setText(to_qstring(gbk_text));
  return control;
}

QPushButton* button(QWidget* parent, std::string_view gbk_name, std::string_view gbk_text, int left, int top,
                    int width, int height) {
  auto* control = place(new QPushButton(parent), gbk_name, left, top, width, height);
  control->setText(to_qstring(gbk_text));
  return control;
}

}  // namespace

MainWindow::MainWindow(WindowActions actions) : actions_(std::move(actions)) {
  setWindowTitle(QString());
  setFixedSize(kClientWidth, kClientHeight);
  move(50, 50);

  // In the window's order of its controls.
  html_view_ = place(new HtmlView(this),
                     "\xB3\xAC\xCE\xC4\xB1\xBE\xE4\xAF\xC0\xC0\xBF\xF2"
                     "1",
                     552, 0, 480,
                     632);  // 超文本浏览框1
  label(this,
        "\xB1\xEA\xC7\xA9"
        "7",  // 标签7
        "\xC4\xBF\xC7\xB0\xD6\xA7\xB3\xD6\xBD\xE2\xCE\xF6\xCA\xD3\xC6\xB5\xD5\xBE\xA3\xBA\xB6\xB6\xD2\xF4\xA1"
        "\xA2"
        "\xBB\xF0\xC9\xBD\xA1\xA2\xBF\xEC\xCA\xD6\xA1\xA2\xCD\xB7\xCC\xF5\xA3\xA8\xCE\xAA\xC8\xA5\xCB\xAE\xD3"
        "\xA1"
        "\xA3\xA9\xA1\xA2\xCE\xA2\xB2\xA9\xA1\xA2\xCE\xA2\xCA\xD3\xA1\xA2\xCD\xF8\xD2\xD7\xD4\xC6\xA1\xA2\xC3"
        "\xC0"
        "\xC5\xC4\xA1\xA2\xC4\xB0\xC4\xB0\xA1\xA2",
        // 目前支持解析视频站：抖音、火山、快手、头条（为去水印）、微博、微视、网易云、美拍、陌陌、
        0, 40, 552, 32);
  label(this,
        "\xB1\xEA\xC7\xA9"
        "6",  // 标签6
        "\xB1\xBE\xB9\xA4\xBE\xDF\xBD\xF6\xB9\xA9\xD3\xE9\xC0\xD6\xA3\xAC\xCE\xF0\xD3\xC3\xC6\xE4\xCB\xFB\xC9"
        "\xCC"
        "\xD2\xB5\xD3\xC3\xCD\xBE",  // 本工具仅供娱乐，勿用其他商业用途
        8, 8, 536, 24);
  label(this,
        "\xB1\xEA\xC7\xA9"
        "5",
        "\xBD\xE2\xCE\xF6\xB5\xD8\xD6\xB7"
        "2",
        0, 296, 72,
        48);  // 标签5 解析地址2
  address_box2_ = place(new QPlainTextEdit(this),
                        "\xB1\xE0\xBC\xAD\xBF\xF2_\xBD\xE2\xCE\xF6\xBA\xF3\xB5\xD8\xD6\xB7"
                        "2",
                        80, 288, 472,
                        56);                               // 编辑框_解析后地址2
  address_box2_->setLineWrapMode(QPlainTextEdit::NoWrap);  // one address a line
  download_button_ = button(this,
                            "\xB0\xB4\xC5\xA5"
                            "2",
                            "\xCF\xC2\xD4\xD8", 456, 360, 80,
                            40);  // 按钮2 下载
  label(this,
        "\xB1\xEA\xC7\xA9"
        "4",
        resolve::hosts::kPublisherHost, 368, 552, 144, 32);  // 标签4
  label(this,
        "\xB1\xEA\xC7\xA9"
        "2",
        "\xBD\xE2\xCE\xF6\xB5\xD8\xD6\xB7", 0, 224, 72,
        48);  // 标签2 解析地址
  address_box1_ = place(new QLineEdit(this),
                        "\xB1\xE0\xBC\xAD\xBF\xF2_\xBD\xE2\xCE\xF6\xBA\xF3\xB5\xD8\xD6\xB7"
                        "1",
                        80, 216, 472,
                        56);  // 编辑框_解析后地址1
  label(this,
        "\xB1\xEA\xC7\xA9"
        "1",
        "\xCD\xF8\xD6\xB7", 8, 152, 64, 40);  // 标签1 网址
  url_box_ = place(new QLineEdit(this), "\xB1\xE0\xBC\xAD\xBF\xF2_\xCD\xF8\xD6\xB7", 80, 136, 472,
                   64);  // 编辑框_网址
  url_box_->setText(to_qstring(resolve::kSampleShareLink));
  url_box_->setCursorPosition(0);
  parse_button_ = button(this,
                         "\xB0\xB4\xC5\xA5"
                         "1",
                         "\xBD\xE2\xCE\xF6", 360, 358, 80, 40);  // 按钮1 解析
  group_ = place(new QGroupBox(this),
                 "\xB7\xD6\xD7\xE9\xBF\xF2"
                 "1",
                 0, 352, 344, 280);  // 分组框1
  picture_ = place(new PictureBox(group_),
                   "\xCD\xBC\xC6\xAC\xBF\xF2"
                   "1",
                   10, 56, 230, 224);  // 图片框1
  title_label_ = label(group_,
                       "\xB1\xEA\xC7\xA9"
                       "3",
                       "\xCA\xD3\xC6\xB5\xC3\xFB\xB3\xC6", 7, 16, 321,
                       40);  // 标签3 视频名称

  // Beside the buttons, where the layout leaves room; seen only while an action runs. Two
  // lines high, so a download's progress fits without reaching into any control.
  busy_label_ = new QLabel(to_qstring(kBusyText), this);
  busy_label_->setObjectName(QStringLiteral("busy_status"));
  busy_label_->setGeometry(352, 408, 192, 48);
  busy_label_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
  busy_label_->setWordWrap(true);
  busy_label_->hide();

  connect(parse_button_, &QPushButton::clicked, this, [this] { run_action(actions_.on_parse); });
  connect(download_button_, &QPushButton::clicked, this, [this] { run_action(actions_.on_download); });
}

MainWindow::~MainWindow() = default;

void MainWindow::run_action(const Action& action) {
  if (busy_ || !action) return;
  set_busy(true);
  struct Done {
    MainWindow* window;
    ~Done() {
      window->set_busy(false);
      if (window->close_pending_) {
        window->close_pending_ = false;
        window->close();
      }
    }
  } done{this};
  action(*this);
}

void MainWindow::set_busy(bool busy) {
  busy_ = busy;
  parse_button_->setEnabled(!busy);
  download_button_->setEnabled(!busy);
  busy_label_->setVisible(busy);
  if (busy) {
    busy_label_->setText(to_qstring(kBusyText));
    setCursor(Qt::WaitCursor);
    // The action holds the loop from here on; show the change before it starts.
    repaint();
  } else {
    unsetCursor();
  }
}

net::Text MainWindow::url_text() {
  return to_text(url_box_->text());
}

net::Text MainWindow::address1() {
  return to_text(address_box1_->text());
}

void MainWindow::set_address1(const net::Text& text) {
  address_box1_->setText(to_qstring(text));
}

net::Text MainWindow::address2() {
  // The box keeps lines apart by itself; the program joins them with CR LF.
  return to_text(address_box2_->toPlainText().replace(QLatin1Char('\n'), QLatin1String("\r\n")));
}

void MainWindow::set_address2(const net::Text& text) {
  address_box2_->setPlainText(to_qstring(text));
}

void MainWindow::append_address2(const net::Text& text) {
  QTextCursor cursor(address_box2_->document());
  cursor.movePosition(QTextCursor::End);
  cursor.insertText(to_qstring(text));
}

void MainWindow::set_title(const net::Text& text) {
  title_label_->setText(to_qstring(text));
}

void MainWindow::set_picture(const net::Bytes& image) {
  picture_->set_image_bytes(
      QByteArray(reinterpret_cast<const char*>(image.data()), static_cast<qsizetype>(image.size())));
}

int MainWindow::view_width() {
  return html_view_->width();
}

int MainWindow::view_height() {
  return html_view_->height();
}

void MainWindow::navigate_view(const std::string& path) {
  html_view_->navigate(QUrl::fromLocalFile(QString::fromStdString(path)));
}

resolve::Answer MainWindow::message_box(const net::Text& text, resolve::Buttons buttons) {
  if (answerer_) return answerer_(to_qstring(text), buttons);
  const bool with_cancel = buttons == resolve::Buttons::ok_cancel;
  QMessageBox box(QMessageBox::Information, to_qstring(kMessageTitle), to_qstring(text),
                  with_cancel ? QMessageBox::Ok | QMessageBox::Cancel : QMessageBox::Ok, this);
  // Closing the box counts as Cancel where there is one.
  return box.exec() == QMessageBox::Ok ? resolve::Answer::ok : resolve::Answer::cancel;
}

void MainWindow::show_progress(const net::Text& text) {
  busy_label_->setText(to_qstring(text.empty() ? net::Text(kBusyText) : text));
}

void MainWindow::process_events() {
  QCoreApplication::processEvents();
}

void MainWindow::wait_ms(int ms) {
  if (ms <= 0) {
    process_events();
    return;
  }
  QEventLoop loop;
  QTimer::singleShot(ms, &loop, &QEventLoop::quit);
  loop.exec();
}

void MainWindow::request_close() {
  close();
}

void MainWindow::closeEvent(QCloseEvent* event) {
  if (busy_) {
    close_pending_ = true;
    event->ignore();
    return;
  }
  QWidget::closeEvent(event);
}

void MainWindow::showEvent(QShowEvent* event) {
  QWidget::showEvent(event);
  if (created_) return;
  created_ = true;
  // Queued, so the step runs inside the message loop: it may close the window at once.
  QMetaObject::invokeMethod(
      this, [this] { run_action(actions_.on_created); }, Qt::QueuedConnection);
}

}  // namespace app
