#pragma once
// Turns what the parse service sends back into program text, and tidies addresses.
// Failures yield empty results; nothing here reports or throws.

#include <cstddef>
#include <optional>
#include <string_view>

#include "net/text.h"

namespace net {

// A reply that inflates past this is a decompression bomb, not a reply.
inline constexpr std::size_t kMaxInflatedSize = std::size_t{64} << 20;

// Inflates a gzip stream (or a zlib-wrapped deflate stream). Input that is neither gives empty
// Bytes; a stream cut short or broken midway gives what was inflated before the fault; output
// past kMaxInflatedSize gives empty Bytes.
Bytes gzip_decode(const Bytes& input);

// UTF-8 bytes to GBK text: characters outside GBK become "?", malformed UTF-8 is replaced, a
// zero byte ends the text, a byte-order mark is kept as the character it is.
Text utf8_to_gbk(const Bytes& input);

struct ReplacePairs {
  Text text{};
  std::optional<int> count{};  // most replacements per pair; every occurrence when absent
  int start = 0;               // 1-based; 0 counts as 1
  bool case_sensitive = false;  // false: ASCII letters match in any case
  Text find1{}, replacement1{};
  Text find2{}, replacement2{};
  Text find3{}, replacement3{};
  Text find4{}, replacement4{};
  Text find5{}, replacement5{};
};

// Applies the five pairs in order, each to the result of the one before; an empty find text
// changes nothing. Matches only at GBK character boundaries.
Text replace_pairs(const ReplacePairs& args);

}  // namespace net
