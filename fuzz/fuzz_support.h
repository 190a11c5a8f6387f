#pragma once
// What the entry points share: turning libFuzzer's bytes into the program's texts, and
// stopping hard when an invariant breaks, so libFuzzer saves the input as a crash.

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

#include "net/text.h"

namespace fuzz {

inline void require(bool holds) {
  if (!holds) __builtin_trap();
}

inline std::string_view as_view(const std::uint8_t* data, std::size_t size) {
  return {reinterpret_cast<const char*>(data), size};
}

// The bytes up to the first zero byte: a Text never holds one.
inline net::Text as_text(std::string_view bytes) {
  return net::Text(bytes.substr(0, bytes.find('\0')));
}

// The input cut at every zero byte into exactly `count` texts: missing ones are empty, and the
// last one ends at the next zero byte too, so no text holds a zero byte.
inline std::vector<net::Text> zero_separated(std::string_view input, std::size_t count) {
  std::vector<net::Text> parts(count);
  for (auto& part : parts) {
    const std::size_t end = input.find('\0');
    part = net::Text(input.substr(0, end));
    if (end == std::string_view::npos) break;
    input.remove_prefix(end + 1);
  }
  return parts;
}

// The first byte of the input, and the rest; 0 for an empty input.
inline std::uint8_t take_byte(std::string_view& input) {
  if (input.empty()) return 0;
  const auto byte = static_cast<std::uint8_t>(input.front());
  input.remove_prefix(1);
  return byte;
}

}  // namespace fuzz
