// How a transfer is bounded and watched: time-outs, progress, streaming and completeness.

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <cstdint>
#include <string>
#include <thread>
#include <vector>

#include "net/http_request.h"
#include "net/web_request.h"
#include "tests/support/recording_server.h"

namespace net {
namespace {

using namespace std::chrono_literals;
using Clock = std::chrono::steady_clock;
using testing_support::RecordingServer;

std::string as_string(const Bytes& bytes) {
  return std::string(bytes.begin(), bytes.end());
}

long long ms_since(Clock::time_point start) {
  return std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - start).count();
}

// Handlers that wait; released early when the test ends so the server can stop at once.
class Waits {
 public:
  void wait(std::chrono::milliseconds how_long) const {
    const auto until = Clock::now() + how_long;
    while (!released_ && Clock::now() < until)
      std::this_thread::sleep_for(10ms);
  }
  bool released() const { return released_; }
  void release() { released_ = true; }

 private:
  std::atomic<bool> released_{false};
};

struct ReleaseOnExit {
  Waits& waits;
  ~ReleaseOnExit() { waits.release(); }
};

// "/stall?ms=N": answers "late" after N milliseconds of silence.
RecordingServer::Reply stalling(const Waits& waits) {
  return [&waits](const httplib::Request& req, httplib::Response& res) {
    waits.wait(std::chrono::milliseconds(std::stoi(req.get_param_value("ms"))));
    res.set_content("late", "text/plain");
  };
}

struct TimeoutCase {
  int timeout = 0;
  int stall_ms = 0;
  bool answered = false;
  const char* proves = "";
};

TEST(WebRequestTransfer, TimeoutValuesBoundHowLongTheServerMayStaySilent) {
  Waits waits;
  RecordingServer server(stalling(waits));
  server.start();
  const ReleaseOnExit release{waits};
  const std::vector<TimeoutCase> cases = {
      {1, 5000, false, "1 second ends a silent exchange long before the server answers"},
      {3, 1500, true, "3 means three seconds, more than a second and a half"},
      {0, 2000, true, "0 means the default of 15 seconds, not none"},
      {-5, 2000, true, "below -1 means the default too"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.proves);
    int status = -1;
    const auto start = Clock::now();
    const Bytes body = web_request({.url = server.url("/stall?ms=" + std::to_string(c.stall_ms)),
                                    .out_status = &status,
                                    .timeout = c.timeout});
    const auto took = ms_since(start);
    EXPECT_EQ(as_string(body), c.answered ? "late" : "");
    EXPECT_EQ(status, c.answered ? 200 : 0);
    std::printf("timeout %d, server silent %d ms: %s after %lld ms\n", c.timeout, c.stall_ms,
                c.answered ? "answered" : "gave up", took);
    if (!c.answered) {
      EXPECT_LT(took, c.stall_ms - 1000) << "gave up only after the server answered";
    }
  }
}

TEST(WebRequestTransfer, MinusOneLeavesTheRequestObjectsOwnTimeouts) {
  Waits waits;
  RecordingServer server(stalling(waits));
  server.start();
  const ReleaseOnExit release{waits};
  auto object = HttpRequest::Create();
  ASSERT_TRUE(object);
  object->SetTimeouts(1000, 1000, 1000, 1000);

  int status = -1;
  Bytes body = web_request(
      {.url = server.url("/stall?ms=3000"), .out_status = &status, .timeout = -1, .request_object = object});
  EXPECT_EQ(status, 0) << "-1 must not replace the object's one-second limits";
  EXPECT_TRUE(body.empty());

  // 0 does set timeouts: the default 15 seconds replace the object's one second.
  body = web_request(
      {.url = server.url("/stall?ms=2500"), .out_status = &status, .timeout = 0, .request_object = object});
  EXPECT_EQ(status, 200);
  EXPECT_EQ(as_string(body), "late");
}

TEST(WebRequestTransfer, ABodyThatKeepsTricklingOutlastsTheTimeout) {
  Waits waits;
  RecordingServer server([&waits](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("application/octet-stream",
                                     [&waits](std::size_t offset, httplib::DataSink& sink) {
                                       if (offset >= 6 || waits.released()) {
                                         sink.done();
                                         return true;
                                       }
                                       waits.wait(600ms);
                                       sink.write("x", 1);
                                       return true;
                                     });
  });
  server.start();
  const ReleaseOnExit release{waits};

  std::vector<std::int64_t> totals;
  bool complete = false;
  const auto start = Clock::now();
  const Bytes body =
      web_request({.url = server.url("/trickle"),
                   .timeout = 1,
                   .on_progress = [&](std::int64_t, std::int64_t total) { totals.push_back(total); },
                   .out_complete = &complete});
  std::printf("six bytes 600 ms apart with a 1 s timeout took %lld ms\n", ms_since(start));
  EXPECT_EQ(as_string(body), "xxxxxx");
  EXPECT_TRUE(complete) << "a chunked body that ends properly is complete";
  ASSERT_FALSE(totals.empty());
  EXPECT_EQ(totals.back(), -1) << "no length was announced";
}

TEST(WebRequestTransfer, AStallMidwayThroughTheBodyIsGivenUp) {
  Waits waits;
  RecordingServer server([&waits](const httplib::Request&, httplib::Response& res) {
    res.set_chunked_content_provider("video/mp4", [&waits](std::size_t offset, httplib::DataSink& sink) {
      if (offset > 0) waits.wait(5000ms);
      if (waits.released()) return false;
      sink.write("part", 4);
      return true;
    });
  });
  server.start();
  const ReleaseOnExit release{waits};

  std::size_t streamed = 0;
  bool complete = true;
  int status = -1;
  const auto start = Clock::now();
  web_request({.url = server.url("/stuck.mp4"),
               .out_status = &status,
               .timeout = 1,
               .body_sink =
                   [&](const std::uint8_t*, std::size_t size) {
                     streamed += size;
                     return true;
                   },
               .out_complete = &complete});
  const auto took = ms_since(start);
  std::printf("gave up on a body silent after its first bytes after %lld ms\n", took);
  EXPECT_EQ(streamed, 4u);
  EXPECT_FALSE(complete);
  EXPECT_EQ(status, 0);
  EXPECT_LT(took, 4000);
}

TEST(WebRequestTransfer, ProgressIsReportedWhileTheServerIsSilentAndWhenTheBodyArrives) {
  Waits waits;
  const std::string payload(10000, 'v');
  RecordingServer server([&](const httplib::Request&, httplib::Response& res) {
    waits.wait(1000ms);
    res.set_content(payload, "video/mp4");
  });
  server.start();
  const ReleaseOnExit release{waits};

  struct Report {
    std::int64_t received = 0;
    std::int64_t total = 0;
  };
  std::vector<Report> reports;
  const Bytes body = web_request(
      {.url = server.url("/v.mp4"), .on_progress = [&](std::int64_t received, std::int64_t total) {
         reports.push_back({received, total});
       }});
  EXPECT_EQ(body.size(), payload.size());
  std::printf("%zu progress reports over a one-second wait\n", reports.size());
  // About one every 50 ms; a window that heard from it only once a second would freeze.
  EXPECT_GE(reports.size(), 5u);
  ASSERT_FALSE(reports.empty());
  EXPECT_EQ(reports.back().received, 10000);
  EXPECT_EQ(reports.back().total, 10000);
  for (std::size_t i = 1; i < reports.size(); ++i)
    EXPECT_LE(reports[i - 1].received, reports[i].received);
}

TEST(WebRequestTransfer, BodySinkTakesTheBodyAsItArrives) {
  std::string payload;
  for (int i = 0; i < 50000; ++i)
    payload += static_cast<char>('a' + i % 26);
  RecordingServer server(
      [&](const httplib::Request&, httplib::Response& res) { res.set_content(payload, "video/mp4"); });
  server.start();

  std::string streamed;
  int calls = 0;
  bool complete = false;
  int status = 0;
  const Bytes body = web_request({.url = server.url("/v.mp4"),
                                  .out_status = &status,
                                  .body_sink =
                                      [&](const std::uint8_t* data, std::size_t size) {
                                        streamed.append(reinterpret_cast<const char*>(data), size);
                                        ++calls;
                                        return true;
                                      },
                                  .out_complete = &complete});
  EXPECT_TRUE(body.empty()) << "the sink took the body";
  EXPECT_EQ(streamed.size(), payload.size());
  EXPECT_TRUE(streamed == payload);
  EXPECT_EQ(status, 200);
  EXPECT_TRUE(complete);
  std::printf("%zu bytes in %d pieces\n", payload.size(), calls);
}

TEST(WebRequestTransfer, SinkRefusingAbortsTheTransfer) {
  const std::string payload(400000, 'z');
  RecordingServer server(
      [&](const httplib::Request&, httplib::Response& res) { res.set_content(payload, "video/mp4"); });
  server.start();
  std::size_t taken = 0;
  bool complete = true;
  int status = -1;
  web_request({.url = server.url("/v.mp4"),
               .out_status = &status,
               .body_sink =
                   [&](const std::uint8_t*, std::size_t size) {
                     taken += size;
                     return false;
                   },
               .out_complete = &complete});
  EXPECT_FALSE(complete);
  EXPECT_EQ(status, 0);
  EXPECT_GT(taken, 0u);
  EXPECT_LT(taken, payload.size());
}

// Announces 1000 bytes, sends 400 and hangs up.
void cut_short(const httplib::Request&, httplib::Response& res) {
  res.set_content_provider(1000, "video/mp4", [](std::size_t offset, std::size_t, httplib::DataSink& sink) {
    if (offset > 0) return false;
    const std::string part(400, 'p');
    sink.write(part.data(), part.size());
    return true;
  });
}

TEST(WebRequestTransfer, ABodyCutShortIsNotComplete) {
  RecordingServer server(cut_short);
  server.start();

  std::size_t streamed = 0;
  bool complete = true;
  web_request({.url = server.url("/short.mp4"),
               .body_sink =
                   [&](const std::uint8_t*, std::size_t size) {
                     streamed += size;
                     return true;
                   },
               .out_complete = &complete});
  EXPECT_EQ(streamed, 400u);
  EXPECT_FALSE(complete);

  complete = true;
  int status = -1;
  const Bytes body =
      web_request({.url = server.url("/short.mp4"), .out_status = &status, .out_complete = &complete});
  EXPECT_FALSE(complete);
  EXPECT_TRUE(body.empty()) << "a broken transfer gives nothing, as a failed send does";
  EXPECT_EQ(status, 0);

  RecordingServer whole;
  whole.start();
  web_request({.url = whole.url("/"), .out_complete = &complete});
  EXPECT_TRUE(complete);
}

}  // namespace
}  // namespace net
