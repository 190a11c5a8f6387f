#pragma once
// An httplib server that keeps the bytes each request arrived as. cpp-httplib hands handlers
// its parsed headers sorted by name; the service's checks and the tests want the header lines
// as they came, so this server reads connections through its own stream, which remembers what
// it delivered, and lets a handler ask for the request head of the connection it runs on.
//
// Every wait here (for a request, for a slow socket, for a fault's delay) gives up as soon as
// shutdown() is called, so stopping never waits on a client.

#include <httplib.h>

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace standin {

class CapturingStream;

class RecordingServer : public httplib::Server {
 public:
  RecordingServer();
  ~RecordingServer() override;

  // The request line and header lines of the request the calling handler serves, as received,
  // each ending in CR LF, with the blank line after them.
  std::string current_head() const;

  // Bytes the client sent beyond the request the calling handler serves, as far as they have
  // arrived by now.
  std::size_t current_unread() const;

  // Waits `duration`; false when cut short by shutdown() or by the client going away.
  // A negative duration waits until one of those happens.
  bool pause(std::chrono::milliseconds duration) const;

  bool stopping() const { return stopping_; }

  // Wakes every wait, then stops httplib's accept loop. The listening thread returns after it.
  void shutdown();

 private:
  bool process_and_close_socket(socket_t sock) override;
  bool wait_for_request(CapturingStream& stream) const;
  CapturingStream* current_stream() const;

  std::atomic<bool> stopping_{false};
  mutable std::mutex mutex_;
  mutable std::condition_variable wake_;
  std::map<std::thread::id, CapturingStream*> streams_;  // the connection each worker serves
};

}  // namespace standin
