#include "net/encode.h"

#include <algorithm>
#include <cstdint>
#include <optional>
#include <string>

#include "net/codepage.h"

namespace net {
namespace {

constexpr char kHexDigits[] = "0123456789ABCDEF";
constexpr char kBase64Alphabet[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";

enum class Encoding { kGbk, kUtf8 };

// The code pages this program converts between; anything else is not supported.
std::optional<Encoding> encoding_of(int code_page) {
  switch (code_page) {
    case 0:
    case 936:
      return Encoding::kGbk;
    case 65001:
      return Encoding::kUtf8;
    default:
      return std::nullopt;
  }
}

bool is_safe(unsigned char byte) {
  return byte == '-' || byte == '.' || (byte >= '0' && byte <= '9') || (byte >= 'A' && byte <= 'Z') ||
         (byte >= 'a' && byte <= 'z');
}

}  // namespace

Text url_encode(std::string_view text, const UrlEncodeOptions& options) {
  const std::string utf8 = options.as_utf8 ? gbk_to_utf8(text) : std::string();
  const std::string_view bytes = options.as_utf8 ? std::string_view(utf8) : text;
  Text out;
  out.reserve(bytes.size() * 3);
  for (const char c : bytes) {
    const auto byte = static_cast<unsigned char>(c);
    if (options.keep_safe && is_safe(byte)) {
      out += c;
    } else {
      out += '%';
      out += kHexDigits[byte >> 4];
      out += kHexDigits[byte & 0x0F];
    }
  }
  return out;
}

Text base64_encode(std::string_view data) {
  auto byte_at = [&](std::size_t at) -> std::uint32_t {
    return at < data.size() ? static_cast<unsigned char>(data[at]) : 0;
  };
  Text out;
  out.reserve((data.size() + 2) / 3 * 4);
  for (std::size_t at = 0; at < data.size(); at += 3) {
    // The missing bytes of a short last group count as zero and their characters become "=".
    const std::uint32_t group = byte_at(at) << 16 | byte_at(at + 1) << 8 | byte_at(at + 2);
    const std::size_t present = std::min<std::size_t>(3, data.size() - at);
    out += kBase64Alphabet[group >> 18];
    out += kBase64Alphabet[(group >> 12) & 0x3F];
    out += present > 1 ? kBase64Alphabet[(group >> 6) & 0x3F] : '=';
    out += present > 2 ? kBase64Alphabet[group & 0x3F] : '=';
  }
  return out;
}

Text base64_encode(const Bytes& data) {
  return base64_encode(std::string_view(reinterpret_cast<const char*>(data.data()), data.size()));
}

Bytes text_to_wide(std::string_view text, int code_page) {
  const std::optional<Encoding> encoding = encoding_of(code_page);
  if (!encoding)
    return {};
  const std::u16string units =
      utf8_to_utf16(*encoding == Encoding::kGbk ? gbk_to_utf8(text) : std::string(text));
  Bytes wide;
  wide.reserve((units.size() + 1) * 2);
  for (const char16_t unit : units) {
    wide.push_back(static_cast<std::uint8_t>(unit & 0xFF));
    wide.push_back(static_cast<std::uint8_t>(unit >> 8));
  }
  wide.push_back(0);
  wide.push_back(0);
  return wide;
}

Text wide_to_text(const Bytes& wide, int code_page) {
  const std::optional<Encoding> encoding = encoding_of(code_page);
  if (!encoding)
    return {};
  std::u16string units;
  for (std::size_t at = 0; at + 1 < wide.size(); at += 2) {
    const auto unit = static_cast<char16_t>(wide[at] | wide[at + 1] << 8);
    if (unit == 0)
      break;
    units += unit;
  }
  // No unit is zero, so neither result holds a zero byte.
  std::string utf8 = utf16_to_utf8(units);
  return *encoding == Encoding::kGbk ? utf8_to_gbk_text(utf8) : utf8;
}

}  // namespace net
