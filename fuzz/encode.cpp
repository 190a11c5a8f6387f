// url_encode and base64_encode of any text: the first byte picks the URL options. Both encodings
// decode back to exactly what went in, in the alphabet and length they promise.
#include <string>

#include "fuzz/fuzz_support.h"
#include "net/codepage.h"
#include "net/encode.h"

namespace {

int hex_digit(char c) {
  if (c >= '0' && c <= '9') return c - '0';
  if (c >= 'A' && c <= 'F') return c - 'A' + 10;
  return -1;  // lower-case digits are not what url_encode writes
}

bool kept_as_is(char c) {
  return c == '-' || c == '.' || (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

// The bytes a percent-encoded text stands for; false when it holds anything url_encode must
// not write.
bool url_decode(std::string_view encoded, bool keep_safe, std::string& out) {
  for (std::size_t i = 0; i < encoded.size(); ++i) {
    if (encoded[i] != '%') {
      if (!keep_safe || !kept_as_is(encoded[i])) return false;
      out += encoded[i];
      continue;
    }
    if (i + 2 >= encoded.size()) return false;
    const int high = hex_digit(encoded[i + 1]);
    const int low = hex_digit(encoded[i + 2]);
    if (high < 0 || low < 0) return false;
    const char byte = static_cast<char>(high * 16 + low);
    if (keep_safe && kept_as_is(byte)) return false;  // a safe byte must stay itself
    out += byte;
    i += 2;
  }
  return true;
}

int base64_value(char c) {
  constexpr std::string_view kAlphabet = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789+/";
  const auto at = kAlphabet.find(c);
  return at == std::string_view::npos ? -1 : static_cast<int>(at);
}

// Strict RFC 4648 decoding: four characters a group, "=" only as the padding of the last one.
bool base64_decode(std::string_view encoded, std::string& out) {
  if (encoded.size() % 4 != 0) return false;
  for (std::size_t group = 0; group < encoded.size(); group += 4) {
    const bool last = group + 4 == encoded.size();
    int values[4] = {};
    int padding = 0;
    for (int k = 0; k < 4; ++k) {
      const char c = encoded[group + k];
      if (c == '=' && last && k >= 2) {
        ++padding;
        continue;
      }
      if (padding > 0 || (values[k] = base64_value(c)) < 0) return false;
    }
    const unsigned bits = (values[0] << 18) | (values[1] << 12) | (values[2] << 6) | values[3];
    out += static_cast<char>(bits >> 16);
    if (padding < 2) out += static_cast<char>((bits >> 8) & 0xFF);
    if (padding < 1) out += static_cast<char>(bits & 0xFF);
    if ((padding == 2 && (bits & 0xFFFF)) || (padding == 1 && (bits & 0xFF))) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = fuzz::as_view(data, size);
  const std::uint8_t flags = fuzz::take_byte(input);
  const net::UrlEncodeOptions options{.keep_safe = (flags & 1) != 0, .as_utf8 = (flags & 2) != 0};
  const net::Text text = fuzz::as_text(input);

  const net::Text url = net::url_encode(text, options);
  std::string url_bytes;
  fuzz::require(url_decode(url, options.keep_safe, url_bytes));
  fuzz::require(url_bytes == (options.as_utf8 ? net::gbk_to_utf8(text) : text));

  const net::Bytes bytes(input.begin(), input.end());
  const net::Text base64 = net::base64_encode(bytes);
  std::string base64_bytes;
  fuzz::require(base64.size() == 4 * ((bytes.size() + 2) / 3) && base64_decode(base64, base64_bytes));
  fuzz::require(base64_bytes == input && net::base64_encode(input) == base64);
  return 0;
}
