// The stand-in parse service as a program, for the demo: serves until SIGINT or SIGTERM.
// Point the program at it with http_proxy=http://127.0.0.1:<port>.

#include <signal.h>

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>

#include "tools/standin/standin_server.h"

namespace {

constexpr std::string_view kHelp =
    "usage: standin_server [--port N] [--media-dir DIR] [--version TEXT] [--download-address URL]\n"
    "                      [--video-size BYTES]\n"
    "\n"
    "A local stand-in for the parse service, its media and the publisher's version files,\n"
    "bound to 127.0.0.1. It prints the port it listens on as the first line of its output and\n"
    "serves until SIGINT or SIGTERM.\n"
    "\n"
    "  --port N                  port to bind (default 0: any free port)\n"
    "  --media-dir DIR           serve DIR's files on the media host at their relative paths,\n"
    "                            e.g. DIR/cover/douyin/1.png (missing ones get built-in media)\n"
    "  --version TEXT            body of /ruanjian/sp/banben.txt (default \"2.1\")\n"
    "  --download-address URL    body of /ruanjian/xzdz.txt\n"
    "  --video-size BYTES        size of the generated videos (default 4096)\n"
    "  --help                    show this text\n";

int usage_error(const std::string& message) {
  std::fprintf(stderr, "standin_server: %s\n\n%s", message.c_str(), kHelp.data());
  return 2;
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
    } else if (flag == "--version") {
      server.set_publisher_file(standin::kVersionPath, value);
    } else if (flag == "--download-address") {
      server.set_publisher_file(standin::kDownloadAddressPath, value);
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
  sigwait(&signals, &received);
  std::fprintf(stderr, "standin_server: %s, stopping\n", received == SIGINT ? "SIGINT" : "SIGTERM");
  server.stop();
  return 0;
}
