#pragma once
// A plain in-memory main window for tests of the actions: every box is a field, navigations and
// message boxes are recorded, and message boxes are answered from a script instead of a user.

#include <deque>
#include <string>
#include <vector>

#include "resolve/window.h"

namespace testing_support {

struct ShownMessage {
  net::Text text{};
  resolve::Buttons buttons = resolve::Buttons::ok;
};

class FakeWindow : public resolve::Window {
 public:
  // The boxes; tests set and read them directly.
  net::Text url{};
  net::Text box1{};
  net::Text box2{};
  net::Text title{};
  net::Bytes picture{};
  int picture_sets = 0;
  int width = 480;
  int height = 632;

  std::vector<std::string> navigations{};
  std::vector<ShownMessage> messages{};
  // Answers for the coming message boxes, front first; when none is left the box is answered
  // with OK.
  std::deque<resolve::Answer> answers{};

  std::vector<net::Text> progress{};  // every show_progress, in order

  int events_processed = 0;
  std::vector<int> waits{};  // every wait_ms, in milliseconds
  int close_requests = 0;

  net::Text url_text() override { return url; }
  net::Text address1() override { return box1; }
  void set_address1(const net::Text& text) override { box1 = text; }
  net::Text address2() override { return box2; }
  void set_address2(const net::Text& text) override { box2 = text; }
  void append_address2(const net::Text& text) override { box2 += text; }
  void set_title(const net::Text& text) override { title = text; }
  void set_picture(const net::Bytes& image) override;
  int view_width() override { return width; }
  int view_height() override { return height; }
  void navigate_view(const std::string& path) override { navigations.push_back(path); }
  resolve::Answer message_box(const net::Text& text, resolve::Buttons buttons) override;
  void show_progress(const net::Text& text) override { progress.push_back(text); }
  void process_events() override { ++events_processed; }
  void wait_ms(int ms) override { waits.push_back(ms); }
  void request_close() override { ++close_requests; }
};

}  // namespace testing_support
