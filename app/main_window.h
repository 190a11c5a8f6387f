#pragma once
// The program's one window: fixed controls at fixed places, two buttons that start the parse
// and download actions, and the resolve::Window operations those actions use.
//
// Every control carries its name as its Qt object name (编辑框_网址, 按钮1, 图片框1, ...).
//
// One action runs at a time. While it runs the buttons are held off, the window shows that it
// is busy, and a close asked for meanwhile takes effect when the action ends.

#include <QString>
#include <QWidget>
#include <functional>

#include "resolve/window.h"

class QCloseEvent;
class QGroupBox;
class QLabel;
class QLineEdit;
class QPlainTextEdit;
class QPushButton;
class QShowEvent;

namespace app {

class HtmlView;
class PictureBox;

using Action = std::function<void(resolve::Window&)>;

struct WindowActions {
  Action on_created{};   // once, when the window is first shown and the message loop runs
  Action on_parse{};     // click on 按钮1
  Action on_download{};  // click on 按钮2
};

// Answers a message box in place of the user; it sees the text as the box would show it.
using MessageAnswerer = std::function<resolve::Answer(const QString& text, resolve::Buttons buttons)>;

class MainWindow : public QWidget, public resolve::Window {
  Q_OBJECT
 public:
  explicit MainWindow(WindowActions actions = {});
  ~MainWindow() override;

  // Without an answerer, message boxes are real and modal.
  void set_message_answerer(MessageAnswerer answerer) { answerer_ = std::move(answerer); }

  // Runs `action` as the window's one action; ignored while another runs.
  void run_action(const Action& action);
  bool busy() const { return busy_; }

  net::Text url_text() override;
  net::Text address1() override;
  void set_address1(const net::Text& text) override;
  net::Text address2() override;
  void set_address2(const net::Text& text) override;
  void append_address2(const net::Text& text) override;
  void set_title(const net::Text& text) override;
  void set_picture(const net::Bytes& image) override;
  int view_width() override;
  int view_height() override;
  void navigate_view(const std::string& path) override;
  resolve::Answer message_box(const net::Text& text, resolve::Buttons buttons) override;
  void show_progress(const net::Text& text) override;
  void process_events() override;
  void wait_ms(int ms) override;
  void request_close() override;

 protected:
  void closeEvent(QCloseEvent* event) override;
  void showEvent(QShowEvent* event) override;

 private:
  void set_busy(bool busy);

  WindowActions actions_;
  MessageAnswerer answerer_;
  bool busy_ = false;
  bool close_pending_ = false;
  bool created_ = false;

  HtmlView* html_view_ = nullptr;
  QLineEdit* url_box_ = nullptr;
  QLineEdit* address_box1_ = nullptr;
  QPlainTextEdit* address_box2_ = nullptr;
  QPushButton* parse_button_ = nullptr;
  QPushButton* download_button_ = nullptr;
  QGroupBox* group_ = nullptr;
  PictureBox* picture_ = nullptr;
  QLabel* title_label_ = nullptr;
  QLabel* busy_label_ = nullptr;
};

}  // namespace app
