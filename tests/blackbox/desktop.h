#pragma once
// An X server of the test's own (Xvfb) and what a person does on it: find a program's windows,
// click, press keys, select text with the mouse, look at the screen. Done with the desktop
// tools a user has (xdotool, xclip, ffmpeg's screen grabber), never through the program.
//
// Without a window manager a top-level window's outer frame is its client area, and the
// keyboard goes to the window that was last given the focus.

#include <sys/types.h>

#include <memory>
#include <string>
#include <string_view>
#include <vector>

#include "tests/blackbox/child_process.h"
#include "tests/blackbox/picture.h"

namespace blackbox {

struct ScreenWindow {
  std::string id{};
  std::string title{};  // UTF-8
  Rect frame{};         // on the screen
};

struct Point {
  int x = 0;
  int y = 0;
};

class Desktop {
 public:
  // Starts Xvfb on a free display with one 1280 x 800 screen, its output going to `log_file`,
  // and waits until it takes connections; throws when it does not come up.
  explicit Desktop(const std::string& log_file = {});
  ~Desktop();
  Desktop(const Desktop&) = delete;
  Desktop& operator=(const Desktop&) = delete;

  const std::string& display() const { return display_; }
  bool running() const { return server_->running(); }
  // What a program started on this desktop needs in its environment.
  EnvironmentChanges environment() const;

  // The visible top-level windows of process `pid`. A window's id can change while it lives
  // (a window that starts drawing with OpenGL is made anew), so look it up before each use.
  std::vector<ScreenWindow> windows_of(pid_t pid) const;

  // A left click at `at`, relative to the window.
  void click(const ScreenWindow& window, Point at) const;
  // Gives the window the keyboard focus and presses `key` (an xdotool key name: "Return").
  void press_key(const ScreenWindow& window, std::string_view key) const;
  // Presses the left button at `from`, drags to `to` (both relative to the window), releases,
  // and returns the primary selection then: the text such a drag selected.
  std::string drag_select(const ScreenWindow& window, Point from, Point to) const;
  // The screen inside `area`, without the pointer.
  Image grab(const Rect& area) const;

 private:
  CommandResult tool(std::vector<std::string> argv) const;

  std::unique_ptr<ChildProcess> server_;
  std::string display_;
};

}  // namespace blackbox
