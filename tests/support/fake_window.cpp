#include "tests/support/fake_window.h"

namespace testing_support {

void FakeWindow::set_picture(const net::Bytes& image) {
  picture = image;
  ++picture_sets;
}

resolve::Answer FakeWindow::message_box(const net::Text& text, resolve::Buttons buttons) {
  messages.push_back({.text = text, .buttons = buttons});
  if (answers.empty()) return resolve::Answer::ok;
  const resolve::Answer answer = answers.front();
  answers.pop_front();
  return answer;
}

}  // namespace testing_support
