#pragma once
// The program's texts and the primitives every other routine is built on.
//
// A Text is a GBK (code page 936) byte string without zero bytes; the empty Text means "none".
// Bytes are raw data that may hold zero bytes (HTTP bodies, images, videos).
//
// Positions are 1-based byte positions. Searches step over GBK double-byte characters: a byte of
// 0x80 or more and the byte after it count as one character, so a match never starts on a trail
// byte. Case-insensitive matching folds ASCII letters only.

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace net {

using Text = std::string;
using Bytes = std::vector<std::uint8_t>;

// Length in bytes of the character that starts with `lead`: 2 for a GBK lead byte, else 1.
constexpr int char_length(unsigned char lead) {
  return lead >= 0x80 ? 2 : 1;
}

// Position of the first occurrence of `what` in `text` at or after `start`, or -1.
// A start below 1 counts as 1. An empty `what` is found at `start` while bytes remain there.
int find_text(std::string_view text, std::string_view what, int start = 1, bool ignore_case = false);

inline bool contains(std::string_view text, std::string_view what, bool ignore_case = false) {
  return find_text(text, what, 1, ignore_case) != -1;
}

// Removes ASCII spaces and GBK full-width spaces (A1 A1) from both ends, nothing else.
Text trim(std::string_view text);

// Pieces between separators. An empty text gives none; empty pieces between separators (or
// before a leading one) stay; what follows the last separator is a piece only when non-empty.
// An empty separator gives the whole text as one piece.
std::vector<Text> split(std::string_view text, std::string_view separator);

struct ReplaceOptions {
  int start = 1;               // bytes before this position are copied unchanged
  std::optional<int> limit{};  // most replacements to make; every occurrence when absent
  bool ignore_case = false;
};

// Replaces occurrences of `find`, left to right, never overlapping and never matching inside
// the replacement just made.
Text replace_text(std::string_view text, std::string_view find, std::string_view replacement,
                  const ReplaceOptions& options = {});

inline Text replace_all(std::string_view text, std::string_view find, std::string_view replacement) {
  return replace_text(text, find, replacement);
}

// A Text of the bytes up to the first zero byte.
Text to_text(const Bytes& bytes);
Bytes to_bytes(std::string_view text);

}  // namespace net
