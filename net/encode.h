#pragma once
// Encoders that prepare texts for HTTP, and the UTF-16 conversions behind them.

#include <string_view>

#include "net/text.h"

namespace net {

struct UrlEncodeOptions {
  bool keep_safe = false;  // leave ASCII letters, digits, "-" and "." as they are
  bool as_utf8 = false;    // encode the UTF-8 form of the text instead of its GBK bytes
};

// Percent-encodes every other byte as "%" and two upper-case hex digits (space is "%20").
Text url_encode(std::string_view text, const UrlEncodeOptions& options = {});

// RFC 4648 Base64 with "=" padding and no line breaks; empty for empty input.
Text base64_encode(const Bytes& data);
Text base64_encode(std::string_view data);

// Code pages: 936 GBK, 65001 UTF-8, 0 the system's code page (GBK for this program).
// UTF-16 is held as little-endian Bytes ending with one zero unit.
Bytes text_to_wide(std::string_view text, int code_page = 65001);
Text wide_to_text(const Bytes& wide, int code_page = 0);

}  // namespace net
