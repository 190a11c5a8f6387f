#include "tools/standin/recording_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <utility>

namespace standin {

namespace {

using Clock = std::chrono::steady_clock;
constexpr std::chrono::milliseconds kSlice{50};
constexpr std::chrono::seconds kReadTimeout{3};
constexpr std::chrono::seconds kWriteTimeout{5};
constexpr std::chrono::seconds kKeepAlive{5};
constexpr std::size_t kWorkers = 16;

// Polls `fd` for `events` in slices until it is ready, `limit` has passed or the server stops.
bool wait_ready(int fd, short events, std::chrono::milliseconds limit, const std::atomic<bool>& stopping) {
  auto deadline = Clock::now() + limit;
  while (!stopping) {
    pollfd entry{.fd = fd, .events = events, .revents = 0};
    int ready = ::poll(&entry, 1, static_cast<int>(kSlice.count()));
    if (ready > 0) return true;
    if (ready < 0 && errno != EINTR) return false;
    if (Clock::now() >= deadline) return false;
  }
  return false;
}

}  // namespace

// A socket stream that delivers bytes from its own buffer and remembers what it delivered since
// the last take_consumed(), so the request head can be read back as it arrived.
class CapturingStream : public httplib::Stream {
 public:
  CapturingStream(int fd, const std::atomic<bool>& stopping) : fd_(fd), stopping_(stopping) {}

  bool is_readable() const override {
    return !buffer_.empty() || wait_ready(fd_, POLLIN, kReadTimeout, stopping_);
  }
  bool is_writable() const override { return wait_ready(fd_, POLLOUT, kWriteTimeout, stopping_); }

  ssize_t read(char* ptr, size_t size) override {
    if (buffer_.empty() && !fill(kReadTimeout)) return -1;
    size_t n = std::min(size, buffer_.size());
    std::copy_n(buffer_.begin(), n, ptr);
    consumed_.append(buffer_, 0, n);
    buffer_.erase(0, n);
    return static_cast<ssize_t>(n);
  }

  ssize_t write(const char* ptr, size_t size) override {
    size_t sent = 0;
    while (sent < size) {
      if (!is_writable()) return sent ? static_cast<ssize_t>(sent) : -1;
      ssize_t n = ::send(fd_, ptr + sent, size - sent, MSG_NOSIGNAL);
      if (n < 0 && errno == EINTR) continue;
      if (n <= 0) return sent ? static_cast<ssize_t>(sent) : -1;
      sent += static_cast<size_t>(n);
    }
    return static_cast<ssize_t>(sent);
  }

  void get_remote_ip_and_port(std::string& ip, int& port) const override { address(false, ip, port); }
  void get_local_ip_and_port(std::string& ip, int& port) const override { address(true, ip, port); }
  socket_t socket() const override { return fd_; }

  // Waits up to `limit` for bytes and buffers what arrived; false on time-out, close or stop.
  bool fill(std::chrono::milliseconds limit) {
    if (!wait_ready(fd_, POLLIN, limit, stopping_)) return false;
    char chunk[16384];
    ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
    if (n <= 0) return false;
    buffer_.append(chunk, static_cast<size_t>(n));
    return true;
  }

  // Buffers whatever has already arrived, without waiting.
  void drain_ready() {
    char chunk[16384];
    for (;;) {
      ssize_t n = ::recv(fd_, chunk, sizeof chunk, MSG_DONTWAIT);
      if (n <= 0) return;
      buffer_.append(chunk, static_cast<size_t>(n));
    }
  }

  bool has_buffered() const { return !buffer_.empty(); }
  size_t buffered() const { return buffer_.size(); }

  std::string take_consumed() { return std::exchange(consumed_, {}); }

  // The head of the request being served, set once its header lines have been read.
  void set_head(std::string head) { head_ = std::move(head); }
  const std::string& head() const { return head_; }

  // True when the client has shut its side: the socket reads as closed with nothing pending.
  bool peer_gone() const {
    pollfd entry{.fd = fd_, .events = POLLIN, .revents = 0};
    if (::poll(&entry, 1, 0) <= 0) return false;
    if (entry.revents & (POLLERR | POLLHUP | POLLNVAL)) return true;
    char probe = 0;
    return ::recv(fd_, &probe, 1, MSG_PEEK | MSG_DONTWAIT) == 0;
  }

 private:
  void address(bool local, std::string& ip, int& port) const {
    sockaddr_storage storage{};
    socklen_t length = sizeof storage;
    auto* raw = reinterpret_cast<sockaddr*>(&storage);
    int rc = local ? ::getsockname(fd_, raw, &length) : ::getpeername(fd_, raw, &length);
    ip.clear();
    port = -1;
    if (rc != 0 || storage.ss_family != AF_INET) return;
    auto* v4 = reinterpret_cast<sockaddr_in*>(&storage);
    char text[INET_ADDRSTRLEN] = {};
    ::inet_ntop(AF_INET, &v4->sin_addr, text, sizeof text);
    ip = text;
    port = ntohs(v4->sin_port);
  }

  int fd_;
  const std::atomic<bool>& stopping_;
  std::string buffer_;
  std::string consumed_;
  std::string head_;
};

RecordingServer::RecordingServer() {
  // Stalled requests hold a worker each until they end; leave room for the rest.
  new_task_queue = [] { return new httplib::ThreadPool(kWorkers); };
  set_keep_alive_timeout(kKeepAlive.count());
  // httplib's default adds SO_REUSEPORT, which would let a second server share the port and
  // take half its requests. Reusing an address in TIME_WAIT is all a restart needs.
  set_socket_options([](socket_t sock) {
    int yes = 1;
    ::setsockopt(sock, SOL_SOCKET, SO_REUSEADDR, &yes, sizeof yes);
  });
}

RecordingServer::~RecordingServer() {
  shutdown();
}

void RecordingServer::shutdown() {
  {
    std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_all();
  stop();
}

bool RecordingServer::wait_for_request(CapturingStream& stream) const {
  if (stream.has_buffered()) return true;
  return stream.fill(std::chrono::duration_cast<std::chrono::milliseconds>(kKeepAlive));
}

bool RecordingServer::process_and_close_socket(socket_t sock) {
  CapturingStream stream(sock, stopping_);
  {
    std::lock_guard lock(mutex_);
    streams_[std::this_thread::get_id()] = &stream;
  }
  bool ok = false;
  // The same keep-alive loop as httplib's own, over the capturing stream.
  for (size_t left = keep_alive_max_count_; left > 0 && !stopping_ && wait_for_request(stream); --left) {
    bool closed = false;
    stream.take_consumed();
    ok = process_request(stream, left == 1, closed,
                         [&stream](httplib::Request&) { stream.set_head(stream.take_consumed()); });
    if (!ok || closed) break;
  }
  {
    std::lock_guard lock(mutex_);
    streams_.erase(std::this_thread::get_id());
  }
  ::shutdown(sock, SHUT_RDWR);
  ::close(sock);
  return ok;
}

CapturingStream* RecordingServer::current_stream() const {
  std::lock_guard lock(mutex_);
  auto found = streams_.find(std::this_thread::get_id());
  return found == streams_.end() ? nullptr : found->second;
}

std::string RecordingServer::current_head() const {
  auto* stream = current_stream();
  return stream ? stream->head() : std::string();
}

std::size_t RecordingServer::current_unread() const {
  auto* stream = current_stream();
  if (!stream) return 0;
  stream->drain_ready();
  return stream->buffered();
}

bool RecordingServer::pause(std::chrono::milliseconds duration) const {
  auto* stream = current_stream();
  bool forever = duration.count() < 0;
  auto deadline = Clock::now() + (forever ? std::chrono::milliseconds(0) : duration);
  std::unique_lock lock(mutex_);
  while (!stopping_) {
    auto now = Clock::now();
    if (!forever && now >= deadline) return true;
    auto step = forever ? kSlice : std::min<Clock::duration>(kSlice, deadline - now);
    wake_.wait_for(lock, step);
    if (stream && stream->peer_gone()) return false;
  }
  return false;
}

}  // namespace standin
