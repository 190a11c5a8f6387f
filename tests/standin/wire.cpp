#include "tests/standin/wire.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <zlib.h>

#include <cctype>
#include <chrono>
#include <cstdio>

namespace standin_test {
namespace {

bool same_name(std::string_view a, std::string_view b) {
  if (a.size() != b.size()) return false;
  for (std::size_t i = 0; i < a.size(); ++i) {
    if (std::tolower(static_cast<unsigned char>(a[i])) != std::tolower(static_cast<unsigned char>(b[i]))) {
      return false;
    }
  }
  return true;
}

std::string trimmed(std::string_view text) {
  while (!text.empty() && text.front() == ' ')
    text.remove_prefix(1);
  while (!text.empty() && text.back() == ' ')
    text.remove_suffix(1);
  return std::string(text);
}

RawReply parse_reply(const std::string& raw) {
  RawReply reply;
  auto head_end = raw.find("\r\n\r\n");
  if (head_end == std::string::npos) return reply;
  std::string head = raw.substr(0, head_end + 2);
  reply.body = raw.substr(head_end + 4);
  std::size_t at = 0;
  bool first = true;
  while (at < head.size()) {
    auto end = head.find("\r\n", at);
    std::string line = head.substr(at, end - at);
    at = end + 2;
    if (first) {
      first = false;
      reply.received = std::sscanf(line.c_str(), "HTTP/%*d.%*d %d", &reply.status) == 1;
    } else {
      reply.header_lines.push_back(line);
    }
  }
  return reply;
}

}  // namespace

std::vector<std::string> RawReply::headers(std::string_view name) const {
  std::vector<std::string> values;
  for (const auto& line : header_lines) {
    auto colon = line.find(':');
    if (colon != std::string::npos && same_name(trimmed(line.substr(0, colon)), name)) {
      values.push_back(trimmed(line.substr(colon + 1)));
    }
  }
  return values;
}

std::string RawReply::header(std::string_view name) const {
  auto values = headers(name);
  return values.empty() ? std::string() : values.front();
}

RawReply raw_exchange(int port, std::string_view request, int timeout_ms) {
  int fd = ::socket(AF_INET, SOCK_STREAM, 0);
  if (fd < 0) return {};
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_port = htons(static_cast<uint16_t>(port));
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  std::string raw;
  if (::connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0) {
    std::size_t sent = 0;
    while (sent < request.size()) {
      auto n = ::send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
      if (n <= 0) break;
      sent += static_cast<std::size_t>(n);
    }
    auto deadline = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeout_ms);
    char chunk[16384];
    while (std::chrono::steady_clock::now() < deadline) {
      pollfd entry{.fd = fd, .events = POLLIN, .revents = 0};
      if (::poll(&entry, 1, 50) <= 0) continue;
      auto n = ::recv(fd, chunk, sizeof chunk, 0);
      if (n <= 0) break;
      raw.append(chunk, static_cast<std::size_t>(n));
    }
  }
  ::close(fd);
  return parse_reply(raw);
}

std::string gunzip(std::string_view data) {
  z_stream stream{};
  if (inflateInit2(&stream, 15 + 16) != Z_OK) return {};
  stream.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
  stream.avail_in = static_cast<uInt>(data.size());
  std::string out;
  char chunk[16384];
  int rc = Z_OK;
  while (rc == Z_OK) {
    stream.next_out = reinterpret_cast<Bytef*>(chunk);
    stream.avail_out = sizeof chunk;
    rc = inflate(&stream, Z_NO_FLUSH);
    out.append(chunk, sizeof chunk - stream.avail_out);
  }
  inflateEnd(&stream);
  return rc == Z_STREAM_END ? out : std::string();
}

std::string crc32_decimal(std::string_view data) {
  auto crc = crc32(0L, reinterpret_cast<const Bytef*>(data.data()), static_cast<uInt>(data.size()));
  return std::to_string(crc);
}

std::string percent_encode(std::string_view bytes) {
  static const char kHex[] = "0123456789ABCDEF";
  std::string out;
  for (unsigned char c : bytes) {
    if (std::isalnum(c) || c == '-' || c == '.') {
      out.push_back(static_cast<char>(c));
    } else {
      out += {'%', kHex[c >> 4], kHex[c & 15]};
    }
  }
  return out;
}

}  // namespace standin_test
