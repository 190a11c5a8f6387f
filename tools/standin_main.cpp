// The stand-in parse service as a program, for the demo: serves until SIGINT or SIGTERM.
// Point the program at it with http_proxy=http://127.0.0.1:<port>.

#include <signal.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>
#include <system_error>
#include <vector>

#include "tools/standin/media.h"
#include "tools/standin/replies.h"
#include "tools/standin/sites.h"
#include "tools/standin/standin_server.h"

namespace {

constexpr std::string_view kHelp =
    "usage: standin_server [--port N] [--media-dir DIR] [--site-media DIR] [--version TEXT]\n"
    "                      [--download-address URL] [--video-size BYTES] [--log FILE]\n"
    "\n"
    "A local stand-in for the parse service, its media and the publisher's version files,\n"
    "bound to 127.0.0.1. It prints the port it listens on as the first line of its output and\n"
    "serves until SIGINT or SIGTERM.\n"
    "\n"
    "  --port N                  port to bind (default 0: any free port)\n"
    "  --media-dir DIR           serve DIR's files on the media host at their relative paths,\n"
    "                            e.g. DIR/cover/douyin/1.png (missing ones get built-in media)\n"
    "  --site-media DIR          as --media-dir, and each site's reply names the files under\n"
    "                            DIR/video/<site>/ and DIR/cover/<site>/ (in name order) instead\n"
    "                            of the built-in ones; <site> is the last piece of its path\n"
    "  --version TEXT            body of /ruanjian/sp/banben.txt (default \"2.1\")\n"
    "  --download-address URL    body of /ruanjian/xzdz.txt\n"
    "  --video-size BYTES        size of the generated videos (default 4096)\n"
    "  --log FILE                append a line for every request as it arrives: the method,\n"
    "                            the target, and for a service request whether it was accepted\n"
    "  --help                    show this text\n";

int usage_error(const std::string& message) {
  std::fprintf(stderr, "standin_server: %s\n\n%s", message.c_str(), kHelp.data());
  return 2;
}

// The files directly under `dir`, as paths relative to `root` with a leading "/", in name order.
std::vector<std::string> media_paths(const std::filesystem::path& root, const std::filesystem::path& dir) {
  std::vector<std::string> paths;
  std::error_code error;
  for (const auto& entry : std::filesystem::directory_iterator(dir, error)) {
    if (entry.is_regular_file(error))
      paths.push_back("/" + entry.path().lexically_relative(root).generic_string());
  }
  std::sort(paths.begin(), paths.end());
  return paths;
}

// Lets every site that has files of its own under `root` answer with them.
void name_site_media(standin::StandinServer& server, const std::filesystem::path& root) {
  for (const auto& site : standin::kServiceSites) {
    auto videos = media_paths(root, root / "video" / site.name);
    auto covers = media_paths(root, root / "cover" / site.name);
    if (videos.empty() && covers.empty()) continue;
    auto reply = standin::default_reply(site);
    if (!videos.empty()) reply.videos.clear();
    for (const auto& path : videos)
      reply.videos.push_back(standin::media_url(path));
    if (!covers.empty()) reply.covers.clear();
    for (const auto& path : covers)
      reply.covers.push_back(standin::media_url(path));
    server.set_reply(site.path, reply);
  }
}

// One line about a request: "POST http://host/path accepted" (or "refused: why").
std::string log_line(const standin::RecordedRequest& request) {
  std::string line = request.method + " " + request.target;
  if (request.verdict) {
    if (request.verdict->accepted()) {
      line += " accepted";
    } else {
      line += " refused:";
      for (const auto& complaint : request.verdict->complaints)
        line += " " + complaint + ";";
    }
  }
  return line + "\n";
}

bool parse_number(const char* text, long long& out) {
  char* end = nullptr;
  out = std::strtoll(text, &end, 10);
  return end != text && *end == '\0' && out >= 0;
}

}  // namespace

int main(int argc, char** argv) {
  standin::StandinServer server;
  long long port = 0;
  std::ofstream log;
  for (int i = 1; i < argc; ++i) {
    std::string_view flag = argv[i];
    if (flag == "--help" || flag == "-h") {
      std::fputs(kHelp.data(), stdout);
      return 0;
    }
    if (i + 1 >= argc) return usage_error("missing value after " + std::string(flag));
    const char* value = argv[++i];
    long long number = 0;
    if (flag == "--port") {
      if (!parse_number(value, port) || port > 65535) return usage_error("bad port: " + std::string(value));
    } else if (flag == "--media-dir") {
      server.set_media_dir(value);
    } else if (flag == "--site-media") {
      server.set_media_dir(value);
      name_site_media(server, value);
    } else if (flag == "--version") {
      server.set_publisher_file(standin::kVersionPath, value);
    } else if (flag == "--download-address") {
      server.set_publisher_file(standin::kDownloadAddressPath, value);
    } else if (flag == "--log") {
      log = std::ofstream(value, std::ios::app);
      if (!log) return usage_error("cannot write " + std::string(value));
    } else if (flag == "--video-size") {
      if (!parse_number(value, number)) return usage_error("bad size: " + std::string(value));
      server.set_default_video_size(static_cast<std::size_t>(number));
    } else {
      return usage_error("unknown option " + std::string(flag));
    }
  }

  // Block the signals before any thread starts, so every thread inherits the mask and only
  // sigwait below receives them.
  sigset_t signals;
  sigemptyset(&signals);
  sigaddset(&signals, SIGINT);
  sigaddset(&signals, SIGTERM);
  pthread_sigmask(SIG_BLOCK, &signals, nullptr);

  try {
    server.start(static_cast<int>(port));
  } catch (const std::exception& error) {
    std::fprintf(stderr, "standin_server: %s\n", error.what());
    return 1;
  }
  std::printf("%d\n", server.port());
  std::fflush(stdout);
  std::fprintf(stderr, "standin_server: listening on 127.0.0.1:%d; use http_proxy=%s\n", server.port(),
               server.proxy_url().c_str());

  int received = 0;
  if (!log.is_open()) {
    sigwait(&signals, &received);
  } else {
    // Records are read back between waits for the signal, often enough to follow a click.
    std::size_t logged = 0;
    const timespec pause{.tv_sec = 0, .tv_nsec = 20'000'000};
    while ((received = sigtimedwait(&signals, nullptr, &pause)) < 0) {
      auto requests = server.requests();
      for (; logged < requests.size(); ++logged)
        log << log_line(requests[logged]);
      log.flush();
    }
  }
  std::fprintf(stderr, "standin_server: %s, stopping\n", received == SIGINT ? "SIGINT" : "SIGTERM");
  server.stop();
  return 0;
}
