#include "net/text.h"

#include <algorithm>

namespace net {
namespace {

bool same_byte(unsigned char a, unsigned char b, bool ignore_case) {
  if (a == b) return true;
  if (!ignore_case) return false;
  auto fold = [](unsigned char c) -> unsigned char { return c >= 'A' && c <= 'Z' ? c + ('a' - 'A') : c; };
  return fold(a) == fold(b);
}

bool matches_at(std::string_view text, std::size_t at, std::string_view what, bool ignore_case) {
  if (text.size() - at < what.size()) return false;
  for (std::size_t i = 0; i < what.size(); ++i) {
    if (!same_byte(text[at + i], what[i], ignore_case)) return false;
  }
  return true;
}

std::size_t next_char(std::string_view text, std::size_t at) {
  return std::min(text.size(), at + char_length(text[at]));
}

bool is_space_at(std::string_view text, std::size_t at, std::size_t* width) {
  if (text[at] == ' ') {
    *width = 1;
    return true;
  }
  if (at + 1 < text.size() && static_cast<unsigned char>(text[at]) == 0xA1 &&
      static_cast<unsigned char>(text[at + 1]) == 0xA1) {
    *width = 2;
    return true;
  }
  return false;
}

}  // namespace

int find_text(std::string_view text, std::string_view what, int start, bool ignore_case) {
  std::size_t at = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
  while (at < text.size()) {
    if (matches_at(text, at, what, ignore_case)) return static_cast<int>(at + 1);
    at = next_char(text, at);
  }
  return -1;
}

Text trim(std::string_view text) {
  std::size_t begin = 0;
  std::size_t width = 0;
  while (begin < text.size() && is_space_at(text, begin, &width))
    begin += width;
  // Walk characters from the left so a trail byte A1 is never taken for half a space.
  std::size_t end = begin;
  std::size_t content_end = begin;
  while (end < text.size()) {
    if (is_space_at(text, end, &width)) {
      end += width;
    } else {
      end = next_char(text, end);
      content_end = end;
    }
  }
  return Text(text.substr(begin, content_end - begin));
}

std::vector<Text> split(std::string_view text, std::string_view separator) {
  std::vector<Text> pieces;
  if (text.empty()) return pieces;
  if (separator.empty()) {
    pieces.emplace_back(text);
    return pieces;
  }
  std::size_t from = 0;
  for (;;) {
    int found = find_text(text, separator, static_cast<int>(from + 1));
    if (found == -1) break;
    std::size_t at = static_cast<std::size_t>(found - 1);
    pieces.emplace_back(text.substr(from, at - from));
    from = at + separator.size();
  }
  if (from < text.size()) pieces.emplace_back(text.substr(from));
  return pieces;
}

Text replace_text(std::string_view text, std::string_view find, std::string_view replacement,
                  const ReplaceOptions& options) {
  const std::size_t start = options.start < 1 ? 0 : static_cast<std::size_t>(options.start - 1);
  if (text.empty() || find.empty() || start >= text.size() || options.limit == 0) return Text(text);
  Text out(text.substr(0, start));
  int made = 0;
  std::size_t at = start;
  while (at < text.size()) {
    if (matches_at(text, at, find, options.ignore_case)) {
      out += replacement;
      at += find.size();
      if (options.limit && ++made >= *options.limit) break;
    } else {
      std::size_t next = next_char(text, at);
      out += text.substr(at, next - at);
      at = next;
    }
  }
  out += text.substr(at);
  return out;
}

Text to_text(const Bytes& bytes) {
  auto end = std::find(bytes.begin(), bytes.end(), std::uint8_t{0});
  return Text(bytes.begin(), end);
}

Bytes to_bytes(std::string_view text) {
  return Bytes(text.begin(), text.end());
}

}  // namespace net
