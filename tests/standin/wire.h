#pragma once
// Helpers for talking to the stand-in the way the program will: raw HTTP over a socket, so the
// request's bytes are exactly what a test writes, and gzip inflation straight from zlib.

#include <string>
#include <string_view>
#include <vector>

namespace standin_test {

struct RawReply {
  bool received = false;  // a status line came back
  int status = 0;
  std::vector<std::string> header_lines{};
  std::string body{};  // everything after the blank line, up to the close

  std::string header(std::string_view name) const;
  std::vector<std::string> headers(std::string_view name) const;
};

// Sends `request` to 127.0.0.1:`port` whole and reads until the server closes the connection
// or `timeout_ms` passes. The request should ask for "Connection: close".
RawReply raw_exchange(int port, std::string_view request, int timeout_ms = 5000);

// Inflates a gzip stream; empty when `data` is not one.
std::string gunzip(std::string_view data);

// zlib's CRC-32 of `data` in unsigned decimal.
std::string crc32_decimal(std::string_view data);

// Percent-encodes every byte but ASCII letters, digits, "-" and ".", as the program does.
std::string percent_encode(std::string_view bytes);

}  // namespace standin_test
