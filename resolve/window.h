#pragma once
// What the parse and download actions need of the main window, and nothing more. The Qt window
// implements it; tests of the actions use a plain in-memory implementation.
//
// Every text is GBK; the window converts at its own edge.

#include <cstdint>
#include <string>

#include "net/text.h"

namespace resolve {

enum class Buttons { ok, ok_cancel };
enum class Answer { ok, cancel };

class Window {
 public:
  virtual ~Window() = default;

  virtual net::Text url_text() = 0;  // the URL box, untrimmed

  virtual net::Text address1() = 0;
  virtual void set_address1(const net::Text& text) = 0;
  virtual net::Text address2() = 0;
  virtual void set_address2(const net::Text& text) = 0;
  virtual void append_address2(const net::Text& text) = 0;

  virtual void set_title(const net::Text& text) = 0;      // the caption of 标签3
  virtual void set_picture(const net::Bytes& image) = 0;  // empty or undecodable: no picture

  // The HTML view: its size in pixels, and navigation to a local file (a UTF-8 path).
  virtual int view_width() = 0;
  virtual int view_height() = 0;
  virtual void navigate_view(const std::string& path) = 0;

  // A modal box titled "信息：" that waits for the user.
  virtual Answer message_box(const net::Text& text, Buttons buttons) = 0;

  // A line about the transfer under way, shown in free space beside the buttons without
  // moving any control ("正在下载 1/3：12.5 MB / 40.0 MB"); the empty text clears it.
  virtual void show_progress(const net::Text& text) = 0;

  // Lets pending window events run; waits `ms` milliseconds while they run.
  virtual void process_events() = 0;
  virtual void wait_ms(int ms) = 0;

  // Closes the window, which ends the process. Asked for while an action runs, it takes effect
  // when the action ends.
  virtual void request_close() = 0;
};

}  // namespace resolve
