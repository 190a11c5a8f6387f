#include "tests/blackbox/child_process.h"

#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <stdexcept>
#include <thread>

extern char** environ;

namespace blackbox {
namespace {

using Clock = std::chrono::steady_clock;

std::vector<std::string> child_environment(const EnvironmentChanges& changes) {
  std::vector<std::string> entries;
  for (char** entry = environ; *entry != nullptr; ++entry)
    entries.emplace_back(*entry);
  for (const auto& change : changes) {
    auto name = change.substr(0, change.find('='));
    std::erase_if(entries, [&](const std::string& entry) {
      return entry.compare(0, name.size() + 1, name + "=") == 0;
    });
    if (change.find('=') != std::string::npos) entries.push_back(change);
  }
  return entries;
}

std::vector<char*> pointers(std::vector<std::string>& texts) {
  std::vector<char*> out;
  for (auto& text : texts)
    out.push_back(text.data());
  out.push_back(nullptr);
  return out;
}

int exit_code(int status) {
  if (WIFEXITED(status)) return WEXITSTATUS(status);
  if (WIFSIGNALED(status)) return 128 + WTERMSIG(status);
  return -1;
}

// Owners of the spawn attribute objects, so every way out of spawn() frees them.
struct SpawnActions {
  posix_spawn_file_actions_t actions{};
  SpawnActions() { posix_spawn_file_actions_init(&actions); }
  ~SpawnActions() { posix_spawn_file_actions_destroy(&actions); }
};
struct SpawnAttributes {
  posix_spawnattr_t attributes{};
  SpawnAttributes() {
    posix_spawnattr_init(&attributes);
    // A group of its own, so stop() reaches what it starts; default signal handling and no
    // blocked signals, whatever this process has.
    sigset_t none;
    sigemptyset(&none);
    sigset_t all;
    sigfillset(&all);
    sigdelset(&all, SIGKILL);
    sigdelset(&all, SIGSTOP);
    posix_spawnattr_setpgroup(&attributes, 0);
    posix_spawnattr_setsigmask(&attributes, &none);
    posix_spawnattr_setsigdefault(&attributes, &all);
    posix_spawnattr_setflags(&attributes,
                             POSIX_SPAWN_SETPGROUP | POSIX_SPAWN_SETSIGMASK | POSIX_SPAWN_SETSIGDEF);
  }
  ~SpawnAttributes() { posix_spawnattr_destroy(&attributes); }
};

pid_t spawn(std::vector<std::string> argv, const EnvironmentChanges& changes, SpawnActions& actions) {
  if (argv.empty()) throw std::runtime_error("nothing to start");
  SpawnAttributes attributes;
  auto environment = child_environment(changes);
  auto args = pointers(argv);
  auto envp = pointers(environment);
  pid_t pid = -1;
  int error = posix_spawnp(&pid, args[0], &actions.actions, &attributes.attributes, args.data(), envp.data());
  if (error != 0) throw std::runtime_error("cannot start " + argv[0] + ": " + std::strerror(error));
  return pid;
}

}  // namespace

ChildProcess::ChildProcess(const SpawnOptions& options) {
  SpawnActions actions;
  posix_spawn_file_actions_addopen(&actions.actions, 0, "/dev/null", O_RDONLY, 0);
  const char* output = options.output_file.empty() ? "/dev/null" : options.output_file.c_str();
  posix_spawn_file_actions_addopen(&actions.actions, 1, output, O_WRONLY | O_CREAT | O_APPEND, 0644);
  posix_spawn_file_actions_adddup2(&actions.actions, 1, 2);
  for (const auto& [ours, theirs] : options.pass_fds)
    posix_spawn_file_actions_adddup2(&actions.actions, ours, theirs);
  pid_ = spawn(options.argv, options.environment, actions);
}

ChildProcess::~ChildProcess() {
  stop();
}

std::optional<int> ChildProcess::wait_exit(std::chrono::milliseconds timeout) {
  auto deadline = Clock::now() + timeout;
  while (!status_) {
    int status = 0;
    pid_t done = ::waitpid(pid_, &status, WNOHANG);
    if (done == pid_) {
      status_ = exit_code(status);
    } else if (done < 0 && errno != EINTR) {
      status_ = -1;
    } else if (Clock::now() >= deadline) {
      break;
    } else {
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
  }
  return status_;
}

void ChildProcess::stop(std::chrono::milliseconds grace) {
  if (pid_ <= 0) return;
  // The group outlives its leader when helpers it started still run; reach them too.
  ::kill(-pid_, SIGTERM);
  if (!wait_exit(grace)) {
    ::kill(-pid_, SIGKILL);
    wait_exit(std::chrono::seconds(10));
  }
  ::kill(-pid_, SIGKILL);
  pid_ = -1;
}

CommandResult run_command(const std::vector<std::string>& argv, const EnvironmentChanges& environment,
                          std::chrono::milliseconds timeout) {
  int out_pipe[2];
  int err_pipe[2];
  if (::pipe2(out_pipe, O_CLOEXEC) != 0) throw std::runtime_error("pipe");
  if (::pipe2(err_pipe, O_CLOEXEC) != 0) {
    ::close(out_pipe[0]);
    ::close(out_pipe[1]);
    throw std::runtime_error("pipe");
  }
  pid_t pid = -1;
  {
    SpawnActions actions;
    posix_spawn_file_actions_addopen(&actions.actions, 0, "/dev/null", O_RDONLY, 0);
    posix_spawn_file_actions_adddup2(&actions.actions, out_pipe[1], 1);
    posix_spawn_file_actions_adddup2(&actions.actions, err_pipe[1], 2);
    try {
      pid = spawn(argv, environment, actions);
    } catch (...) {
      for (int fd : {out_pipe[0], out_pipe[1], err_pipe[0], err_pipe[1]})
        ::close(fd);
      throw;
    }
  }
  ::close(out_pipe[1]);
  ::close(err_pipe[1]);

  CommandResult result;
  pollfd fds[2] = {{.fd = out_pipe[0], .events = POLLIN, .revents = 0},
                   {.fd = err_pipe[0], .events = POLLIN, .revents = 0}};
  std::string* sinks[2] = {&result.out, &result.err};
  auto deadline = Clock::now() + timeout;
  bool timed_out = false;
  int open_pipes = 2;
  while (open_pipes > 0) {
    auto left = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count();
    if (left <= 0) {
      timed_out = true;
      break;
    }
    if (::poll(fds, 2, static_cast<int>(left)) < 0 && errno != EINTR) break;
    for (int i = 0; i < 2; ++i) {
      if (fds[i].fd < 0 || fds[i].revents == 0) continue;
      char buffer[65536];
      ssize_t n = ::read(fds[i].fd, buffer, sizeof buffer);
      if (n > 0) {
        sinks[i]->append(buffer, static_cast<std::size_t>(n));
      } else if (n == 0 || errno != EINTR) {
        ::close(fds[i].fd);
        fds[i].fd = -1;
        --open_pipes;
      }
    }
  }
  for (auto& fd : fds) {
    if (fd.fd >= 0) ::close(fd.fd);
  }
  if (timed_out) ::kill(-pid, SIGKILL);
  int status = 0;
  while (::waitpid(pid, &status, 0) < 0 && errno == EINTR) {
  }
  result.status = timed_out ? -1 : exit_code(status);
  return result;
}

}  // namespace blackbox
