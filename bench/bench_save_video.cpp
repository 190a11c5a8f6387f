// Saving a large video: save_video's throughput beside the curl tool's on the same address, and
// the process's peak resident memory while it saves (which must not grow with the video).
//
// A local server on 127.0.0.1 serves a body of the asked size from a content provider, so the
// body is never held in memory. Each size is fetched several times by each side, alternately,
// and the best run of each counts.
//
//   bench_save_video [MiB]      (default 512)

#include <httplib.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "resolve/save_video.h"

namespace {

namespace fs = std::filesystem;
using Clock = std::chrono::steady_clock;

constexpr int kRuns = 3;
constexpr std::size_t kPiece = std::size_t{1} << 20;

// VmHWM (peak resident set) of this process, in KiB; -1 when unreadable.
long peak_rss_kib() {
  std::ifstream status("/proc/self/status");
  std::string line;
  while (std::getline(status, line)) {
    if (line.rfind("VmHWM:", 0) == 0) return std::strtol(line.c_str() + 6, nullptr, 10);
  }
  return -1;
}

// Sets the peak back to the present resident set, so the next reading covers what follows.
bool reset_peak_rss() {
  std::ofstream clear("/proc/self/clear_refs");
  clear << "5";
  return static_cast<bool>(clear.flush());
}

double seconds_since(Clock::time_point start) {
  return std::chrono::duration<double>(Clock::now() - start).count();
}

double mib_per_second(std::size_t bytes, double seconds) {
  return static_cast<double>(bytes) / (1024.0 * 1024.0) / seconds;
}

struct Result {
  double curl_seconds = 1e30;
  double save_seconds = 1e30;
  long rss_before_kib = 0;
  long rss_peak_kib = 0;
  bool ok = true;
};

Result measure(const std::string& url, std::size_t size, const fs::path& folder) {
  Result result;
  const fs::path curl_file = folder / "curl.out";
  const std::string command = "curl -s --noproxy '*' -o '" + curl_file.string() + "' '" + url + "'";
  resolve::DownloadSeams seams{.folder = folder.string()};
  for (int run = 0; run < kRuns; ++run) {
    auto start = Clock::now();
    const int status = std::system(command.c_str());
    const double curl_seconds = seconds_since(start);
    std::error_code error;
    if (status != 0 || fs::file_size(curl_file, error) != size) {
      std::fprintf(stderr, "curl failed (status %d)\n", status);
      result.ok = false;
    }
    fs::remove(curl_file, error);
    result.curl_seconds = std::min(result.curl_seconds, curl_seconds);

    reset_peak_rss();
    const long before = peak_rss_kib();
    start = Clock::now();
    const std::string saved = resolve::save_video(url, seams);
    const double save_seconds = seconds_since(start);
    const long peak = peak_rss_kib();
    if (saved.empty() || fs::file_size(saved, error) != size) {
      std::fprintf(stderr, "save_video failed\n");
      result.ok = false;
    }
    if (!saved.empty()) fs::remove(saved, error);
    result.save_seconds = std::min(result.save_seconds, save_seconds);
    result.rss_before_kib = std::max(result.rss_before_kib, before);
    result.rss_peak_kib = std::max(result.rss_peak_kib, peak);
  }
  return result;
}

void report(std::size_t size, const Result& r) {
  const double mib = static_cast<double>(size) / (1024.0 * 1024.0);
  std::printf("%6.0f MiB  curl -o %6.3f s (%7.1f MiB/s)  save_video %6.3f s (%7.1f MiB/s)  ratio %.2f\n", mib,
              r.curl_seconds, mib_per_second(size, r.curl_seconds), r.save_seconds,
              mib_per_second(size, r.save_seconds), r.curl_seconds / r.save_seconds);
  std::printf("           peak RSS during the save: %ld KiB (before it: %ld KiB, growth %ld KiB)\n",
              r.rss_peak_kib, r.rss_before_kib, r.rss_peak_kib - r.rss_before_kib);
}

}  // namespace

int main(int argc, char** argv) {
  const std::size_t big_mib = argc > 1 ? std::strtoul(argv[1], nullptr, 10) : 512;
  // The program's own route to the server is direct, as curl's is.
  for (const char* name : {"http_proxy", "HTTP_PROXY", "all_proxy", "ALL_PROXY"})
    ::unsetenv(name);

  std::vector<char> piece(kPiece);
  for (std::size_t i = 0; i < piece.size(); ++i)
    piece[i] = static_cast<char>((i * 2654435761u) >> 13);

  httplib::Server server;
  server.Get(R"(/video/(\d+)\.mp4)", [&](const httplib::Request& req, httplib::Response& res) {
    const std::size_t size = std::stoull(req.matches[1]);
    res.set_content_provider(size, "video/mp4",
                             [&](std::size_t offset, std::size_t length, httplib::DataSink& sink) {
                               const std::size_t n = std::min(length, kPiece - offset % kPiece);
                               return sink.write(piece.data() + offset % kPiece, n);
                             });
  });
  const int port = server.bind_to_any_port("127.0.0.1");
  if (port <= 0) {
    std::fprintf(stderr, "cannot bind 127.0.0.1\n");
    return 1;
  }
  std::thread serving([&] { server.listen_after_bind(); });
  while (!server.is_running()) std::this_thread::sleep_for(std::chrono::milliseconds(1));

  const fs::path folder = fs::temp_directory_path() / ("bench_save_video." + std::to_string(::getpid()));
  fs::create_directories(folder);
  if (!reset_peak_rss())
    std::fprintf(stderr, "note: /proc/self/clear_refs not writable; peaks are since start\n");

  bool ok = true;
  std::printf("best of %d runs each, alternating; files in %s\n", kRuns, folder.c_str());
  for (const std::size_t mib : {std::size_t{64}, big_mib}) {
    const std::size_t size = mib << 20;
    const std::string url =
        "http://127.0.0.1:" + std::to_string(port) + "/video/" + std::to_string(size) + ".mp4";
    const Result result = measure(url, size, folder);
    report(size, result);
    ok = ok && result.ok;
  }

  std::error_code error;
  fs::remove_all(folder, error);
  server.stop();
  serving.join();
  return ok ? 0 : 1;
}
