#include "tests/blackbox/desktop.h"

#include <fcntl.h>
#include <poll.h>
#include <unistd.h>

#include <filesystem>
#include <random>
#include <stdexcept>
#include <thread>

#include "net/text.h"

namespace blackbox {
namespace {

constexpr int kScreenWidth = 1280;
constexpr int kScreenHeight = 800;

std::string number(int value) {
  return std::to_string(value);
}

// The value of NAME in xdotool's "--shell" output ("NAME=value" lines).
int shell_value(std::string_view text, std::string_view name) {
  for (const auto& line : net::split(text, "\n")) {
    if (line.size() > name.size() && line.compare(0, name.size(), name) == 0 && line[name.size()] == '=') {
      return std::stoi(line.substr(name.size() + 1));
    }
  }
  return -1;
}

// Xvfb writes the display number it took to the descriptor -displayfd names, once it serves.
std::string read_display_number(int fd) {
  std::string text;
  auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(30);
  while (text.find('\n') == std::string::npos) {
    auto left =
        std::chrono::duration_cast<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now())
            .count();
    pollfd ready{.fd = fd, .events = POLLIN, .revents = 0};
    if (left <= 0 || ::poll(&ready, 1, static_cast<int>(left)) <= 0) break;
    char buffer[64];
    ssize_t n = ::read(fd, buffer, sizeof buffer);
    if (n <= 0) break;
    text.append(buffer, static_cast<std::size_t>(n));
  }
  return net::trim(text.substr(0, text.find('\n')));
}

}  // namespace

Desktop::Desktop(const std::string& log_file) {
  // -noreset: by default the server resets when its last client leaves, and refuses whoever
  // connects meanwhile; each desktop tool run is such a client.
  // Displays are taken first come, first served, and other programs on this machine start X
  // servers too: a random number far above the usual ones rarely meets another, and a taken
  // one only costs another try.
  std::mt19937 random(std::random_device{}());
  std::uniform_int_distribution<int> pick(200, 999);
  for (int attempt = 0; attempt < 8 && display_.empty(); ++attempt) {
    std::string wanted = number(pick(random));
    int pipe_fds[2];
    if (::pipe2(pipe_fds, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
    try {
      server_ = std::make_unique<ChildProcess>(
          SpawnOptions{.argv = {"Xvfb", ":" + wanted, "-displayfd", "3", "-screen", "0",
                                number(kScreenWidth) + "x" + number(kScreenHeight) + "x24", "-nolisten",
                                "tcp", "-noreset"},
                       .output_file = log_file,
                       .pass_fds = {{pipe_fds[1], 3}}});
    } catch (...) {
      ::close(pipe_fds[0]);
      ::close(pipe_fds[1]);
      throw;
    }
    ::close(pipe_fds[1]);
    std::string taken = read_display_number(pipe_fds[0]);
    ::close(pipe_fds[0]);
    if (taken == wanted && std::filesystem::exists("/tmp/.X11-unix/X" + wanted)) {
      display_ = ":" + wanted;
    } else {
      server_->stop();
    }
  }
  if (display_.empty()) throw std::runtime_error("Xvfb did not start");
  for (int attempt = 0; !tool({"xdotool", "getdisplaygeometry"}).ok(); ++attempt) {
    if (attempt == 100 || !running())
      throw std::runtime_error("Xvfb on " + display_ + " takes no connections");
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
  }
}

Desktop::~Desktop() = default;

EnvironmentChanges Desktop::environment() const {
  return {"DISPLAY=" + display_, "WAYLAND_DISPLAY", "XAUTHORITY"};
}

CommandResult Desktop::tool(std::vector<std::string> argv) const {
  return run_command(argv, environment(), std::chrono::seconds(20));
}

std::vector<ScreenWindow> Desktop::windows_of(pid_t pid) const {
  std::vector<ScreenWindow> windows;
  auto found = tool({"xdotool", "search", "--onlyvisible", "--pid", number(pid)});
  for (const auto& id : net::split(found.out, "\n")) {
    // A window may go between the search and these questions; it is left out then.
    auto geometry = tool({"xdotool", "getwindowgeometry", "--shell", id});
    auto title = tool({"xdotool", "getwindowname", id});
    if (!geometry.ok() || !title.ok()) continue;
    std::string name = title.out;
    if (!name.empty() && name.back() == '\n') name.pop_back();
    windows.push_back({.id = id,
                       .title = name,
                       .frame = {.left = shell_value(geometry.out, "X"),
                                 .top = shell_value(geometry.out, "Y"),
                                 .width = shell_value(geometry.out, "WIDTH"),
                                 .height = shell_value(geometry.out, "HEIGHT")}});
  }
  return windows;
}

void Desktop::click(const ScreenWindow& window, Point at) const {
  tool({"xdotool", "mousemove", "--sync", "--window", window.id, number(at.x), number(at.y), "click", "1"});
}

void Desktop::press_key(const ScreenWindow& window, std::string_view key) const {
  tool({"xdotool", "windowfocus", "--sync", window.id});
  tool({"xdotool", "key", std::string(key)});
}

std::string Desktop::drag_select(const ScreenWindow& window, Point from, Point to) const {
  Point middle{.x = (from.x + to.x) / 2, .y = (from.y + to.y) / 2};
  tool({"xdotool",        "mousemove", "--sync",    "--window", window.id,  number(from.x), number(from.y),
        "mousedown",      "1",         "mousemove", "--sync",   "--window", window.id,      number(middle.x),
        number(middle.y), "mousemove", "--sync",    "--window", window.id,  number(to.x),   number(to.y),
        "mouseup",        "1"});
  // The selection is announced once the release has been handled.
  std::this_thread::sleep_for(std::chrono::milliseconds(300));
  return tool({"xclip", "-o", "-selection", "primary"}).out;
}

Image Desktop::grab(const Rect& area) const {
  // Without probing, ffmpeg takes the first frame at once instead of a second's worth.
  auto shot = tool({"ffmpeg",
                    "-nostdin",
                    "-v",
                    "error",
                    "-f",
                    "x11grab",
                    "-probesize",
                    "32",
                    "-analyzeduration",
                    "0",
                    "-draw_mouse",
                    "0",
                    "-video_size",
                    number(area.width) + "x" + number(area.height),
                    "-i",
                    display_ + "+" + number(area.left) + "," + number(area.top),
                    "-frames:v",
                    "1",
                    "-f",
                    "rawvideo",
                    "-pix_fmt",
                    "rgb24",
                    "-"});
  Image image{.width = area.width, .height = area.height};
  if (!shot.ok() || shot.out.size() != static_cast<std::size_t>(area.width) * area.height * 3) return {};
  image.rgb.assign(shot.out.begin(), shot.out.end());
  return image;
}

}  // namespace blackbox
