#pragma once
// Programs the black-box tests start: the program under test and Xvfb run as children in
// process groups of their own (so whatever they start goes with them), the desktop tools
// (xdotool, ffmpeg, xclip) as commands whose output is read back.

#include <sys/types.h>

#include <chrono>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace blackbox {

// Changes to this process's environment for a child: "NAME=value" sets NAME, "NAME" removes it.
using EnvironmentChanges = std::vector<std::string>;

struct SpawnOptions {
  std::vector<std::string> argv{};
  EnvironmentChanges environment{};
  std::string output_file{};                    // stdout and stderr, appended; empty: /dev/null
  std::vector<std::pair<int, int>> pass_fds{};  // {fd of ours, fd number in the child}
};

class ChildProcess {
 public:
  // Throws std::runtime_error when the program cannot be started.
  explicit ChildProcess(const SpawnOptions& options);
  ~ChildProcess();  // stop()
  ChildProcess(const ChildProcess&) = delete;
  ChildProcess& operator=(const ChildProcess&) = delete;

  pid_t pid() const { return pid_; }

  // The exit status (128 + signal number when a signal ended it) once the process has ended,
  // waiting at most `timeout`; none while it still runs.
  std::optional<int> wait_exit(std::chrono::milliseconds timeout);
  bool running() { return !wait_exit(std::chrono::milliseconds(0)); }

  // SIGTERM to the whole group, SIGKILL to what is left after `grace`; reaps the child.
  void stop(std::chrono::milliseconds grace = std::chrono::seconds(5));

 private:
  pid_t pid_ = -1;
  std::optional<int> status_{};
};

struct CommandResult {
  int status = -1;  // as ChildProcess::wait_exit; -1 when it ran out of time and was killed
  std::string out{};
  std::string err{};
  bool ok() const { return status == 0; }
};

// Runs a command to its end (killing it after `timeout`) and returns what it printed.
CommandResult run_command(const std::vector<std::string>& argv, const EnvironmentChanges& environment = {},
                          std::chrono::milliseconds timeout = std::chrono::seconds(30));

}  // namespace blackbox
