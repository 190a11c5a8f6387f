// Code-page conversion over glibc's iconv.
#include <iconv.h>

#include <cerrno>
#include <cstdint>

#include "net/codepage.h"

namespace net {
namespace {

class Converter {
 public:
  Converter(const char* to, const char* from) : handle_(iconv_open(to, from)) {}
  ~Converter() {
    if (valid()) iconv_close(handle_);
  }
  Converter(const Converter&) = delete;
  Converter& operator=(const Converter&) = delete;

  bool valid() const { return handle_ != reinterpret_cast<iconv_t>(-1); }

  // Converts one unit of input; false when the target set cannot hold it.
  bool convert(const char* in, std::size_t in_size, std::string& out) {
    char buffer[16];
    char* in_ptr = const_cast<char*>(in);
    char* out_ptr = buffer;
    std::size_t out_left = sizeof buffer;
    iconv(handle_, nullptr, nullptr, nullptr, nullptr);
    if (iconv(handle_, &in_ptr, &in_size, &out_ptr, &out_left) == static_cast<std::size_t>(-1)) return false;
    out.append(buffer, out_ptr);
    return true;
  }

 private:
  iconv_t handle_;
};

void append_utf8(std::uint32_t cp, std::string& out) {
  if (cp < 0x80) {
    out += static_cast<char>(cp);
  } else if (cp < 0x800) {
    out += static_cast<char>(0xC0 | (cp >> 6));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else if (cp < 0x10000) {
    out += static_cast<char>(0xE0 | (cp >> 12));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  } else {
    out += static_cast<char>(0xF0 | (cp >> 18));
    out += static_cast<char>(0x80 | ((cp >> 12) & 0x3F));
    out += static_cast<char>(0x80 | ((cp >> 6) & 0x3F));
    out += static_cast<char>(0x80 | (cp & 0x3F));
  }
}

constexpr std::uint32_t kReplacement = 0xFFFD;

// Decodes one UTF-8 character at `at`, advancing it; malformed sequences give U+FFFD and
// consume one byte, as a browser would.
std::uint32_t decode_utf8(std::string_view s, std::size_t& at) {
  const auto b0 = static_cast<unsigned char>(s[at]);
  if (b0 < 0x80) {
    ++at;
    return b0;
  }
  int length = b0 >= 0xF0 && b0 <= 0xF4 ? 4 : b0 >= 0xE0 ? 3 : b0 >= 0xC2 && b0 < 0xE0 ? 2 : 0;
  if (length == 0 || at + length > s.size()) {
    ++at;
    return kReplacement;
  }
  std::uint32_t cp = b0 & (0x7F >> length);
  for (int i = 1; i < length; ++i) {
    const auto b = static_cast<unsigned char>(s[at + i]);
    if ((b & 0xC0) != 0x80) {
      ++at;
      return kReplacement;
    }
    cp = (cp << 6) | (b & 0x3F);
  }
  static constexpr std::uint32_t kMinimum[] = {0, 0, 0x80, 0x800, 0x10000};
  if (cp < kMinimum[length] || cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF)) {
    ++at;
    return kReplacement;
  }
  at += length;
  return cp;
}

}  // namespace

std::string gbk_to_utf8(std::string_view gbk) {
  Converter to_unicode("UTF-8", "CP936");
  std::string out;
  out.reserve(gbk.size() * 3 / 2);
  std::size_t at = 0;
  while (at < gbk.size()) {
    const auto b = static_cast<unsigned char>(gbk[at]);
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++at;
      continue;
    }
    std::size_t width = at + 1 < gbk.size() ? 2 : 1;
    // CP936 has a few single-byte characters above 0x7F (0x80 is the euro sign).
    if (to_unicode.valid() && to_unicode.convert(gbk.data() + at, width, out)) {
      at += width;
    } else if (to_unicode.valid() && to_unicode.convert(gbk.data() + at, 1, out)) {
      at += 1;
    } else {
      append_utf8(kReplacement, out);
      at += 1;
    }
  }
  return out;
}

Text utf8_to_gbk_text(std::string_view utf8) {
  Converter to_gbk("CP936", "UTF-32LE");
  Text out;
  out.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    const auto b = static_cast<unsigned char>(utf8[at]);
    if (b == 0) break;
    if (b < 0x80) {
      out += static_cast<char>(b);
      ++at;
      continue;
    }
    std::uint32_t cp = decode_utf8(utf8, at);
    const char unit[4] = {static_cast<char>(cp & 0xFF), static_cast<char>((cp >> 8) & 0xFF),
                          static_cast<char>((cp >> 16) & 0xFF), static_cast<char>(cp >> 24)};
    if (!to_gbk.valid() || !to_gbk.convert(unit, sizeof unit, out)) out += '?';
  }
  return out;
}

std::u16string utf8_to_utf16(std::string_view utf8) {
  std::u16string out;
  out.reserve(utf8.size());
  std::size_t at = 0;
  while (at < utf8.size()) {
    const std::uint32_t cp = decode_utf8(utf8, at);
    if (cp < 0x10000) {
      out += static_cast<char16_t>(cp);
    } else {
      out += static_cast<char16_t>(0xD800 + ((cp - 0x10000) >> 10));
      out += static_cast<char16_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
    }
  }
  return out;
}

std::string utf16_to_utf8(std::u16string_view utf16) {
  std::string out;
  out.reserve(utf16.size() * 3 / 2);
  for (std::size_t at = 0; at < utf16.size(); ++at) {
    const std::uint32_t unit = utf16[at];
    const bool high = unit >= 0xD800 && unit <= 0xDBFF;
    const bool low_follows = at + 1 < utf16.size() && utf16[at + 1] >= 0xDC00 && utf16[at + 1] <= 0xDFFF;
    if (high && low_follows) {
      append_utf8(0x10000 + ((unit - 0xD800) << 10) + (utf16[at + 1] - 0xDC00), out);
      ++at;
    } else if (unit >= 0xD800 && unit <= 0xDFFF) {
      append_utf8(kReplacement, out);
    } else {
      append_utf8(unit, out);
    }
  }
  return out;
}

}  // namespace net
