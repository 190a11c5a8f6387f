#include "tests/support/raw_server.h"

#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cctype>
#include <stdexcept>

namespace testing_support {
namespace {

std::size_t announced_length(const std::string& head) {
  std::string lower(head);
  std::transform(lower.begin(), lower.end(), lower.begin(), [](unsigned char c) { return std::tolower(c); });
  const auto at = lower.find("\r\ncontent-length:");
  if (at == std::string::npos) return 0;
  return std::stoul(head.substr(at + 17));
}

}  // namespace

RawServer::RawServer(std::string reply) : reply_(std::move(reply)) {
  listener_ = ::socket(AF_INET, SOCK_STREAM, 0);
  if (listener_ < 0) throw std::runtime_error("no socket");
  sockaddr_in address{};
  address.sin_family = AF_INET;
  address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
  address.sin_port = 0;
  socklen_t size = sizeof address;
  if (::bind(listener_, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
      ::listen(listener_, 8) != 0 ||
      ::getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) != 0) {
    ::close(listener_);
    throw std::runtime_error("cannot listen on 127.0.0.1");
  }
  port_ = ntohs(address.sin_port);
  thread_ = std::thread([this] { serve(); });
}

RawServer::~RawServer() {
  stopping_ = true;
  if (thread_.joinable()) thread_.join();
  ::close(listener_);
}

std::string RawServer::url(const std::string& path) const {
  return "http://127.0.0.1:" + std::to_string(port_) + path;
}

std::vector<std::string> RawServer::requests() const {
  std::lock_guard lock(mutex_);
  return requests_;
}

void RawServer::serve() {
  while (!stopping_) {
    pollfd waiting{listener_, POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) continue;
    const int connection = ::accept(listener_, nullptr, nullptr);
    if (connection < 0) continue;
    handle(connection);
    ::close(connection);
  }
}

void RawServer::handle(int connection) {
  std::string received;
  std::size_t wanted = std::string::npos;
  char buffer[16384];
  while (!stopping_ && (wanted == std::string::npos || received.size() < wanted)) {
    pollfd waiting{connection, POLLIN, 0};
    if (::poll(&waiting, 1, 50) <= 0) continue;
    const ssize_t got = ::recv(connection, buffer, sizeof buffer, 0);
    if (got <= 0) break;
    received.append(buffer, static_cast<std::size_t>(got));
    if (wanted == std::string::npos) {
      const auto end = received.find("\r\n\r\n");
      if (end != std::string::npos) wanted = end + 4 + announced_length(received.substr(0, end + 2));
    }
  }
  {
    std::lock_guard lock(mutex_);
    requests_.push_back(received);
  }
  std::size_t sent = 0;
  while (sent < reply_.size()) {
    const ssize_t put = ::send(connection, reply_.data() + sent, reply_.size() - sent, MSG_NOSIGNAL);
    if (put <= 0) break;
    sent += static_cast<std::size_t>(put);
  }
}

std::vector<std::string> raw_header_lines(const std::string& request) {
  std::vector<std::string> lines;
  const auto end = request.find("\r\n\r\n");
  const std::string head = request.substr(0, end == std::string::npos ? request.size() : end);
  std::size_t at = head.find("\r\n");
  while (at != std::string::npos) {
    const auto next = head.find("\r\n", at + 2);
    lines.push_back(head.substr(at + 2, next == std::string::npos ? std::string::npos : next - at - 2));
    at = next;
  }
  return lines;
}

std::string raw_body(const std::string& request) {
  const auto end = request.find("\r\n\r\n");
  return end == std::string::npos ? std::string() : request.substr(end + 4);
}

}  // namespace testing_support
