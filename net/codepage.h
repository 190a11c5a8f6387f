#pragma once
// Conversions between the program's GBK texts and Unicode, used wherever a text leaves the
// program (the script engine, libcurl, file names, the window toolkit).
//
// Characters GBK cannot hold become "?"; malformed input is replaced, never rejected.

#include <string>
#include <string_view>

#include "net/text.h"

namespace net {

// GBK text to UTF-8. A malformed GBK sequence becomes U+FFFD.
std::string gbk_to_utf8(std::string_view gbk);

// UTF-8 to GBK text. Malformed UTF-8 and characters outside GBK become "?"; the result ends
// before the first zero byte.
Text utf8_to_gbk_text(std::string_view utf8);

// UTF-8 to UTF-16, every byte of the input (zero bytes too). Malformed UTF-8 becomes U+FFFD.
std::u16string utf8_to_utf16(std::string_view utf8);

// UTF-16 to UTF-8, every unit of the input. An unpaired surrogate becomes U+FFFD.
std::string utf16_to_utf8(std::u16string_view utf16);

}  // namespace net
