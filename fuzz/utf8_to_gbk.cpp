// utf8_to_gbk of any bytes: well-formed GBK without zero bytes, ASCII kept as it is, and never
// longer than the UTF-8 before the first zero byte.
#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "net/decode.h"

namespace {

// Every byte of 0x81 or more leads a pair whose trail byte GBK allows (0x40..0xFE but 0x7F).
bool well_formed_gbk(std::string_view text) {
  for (std::size_t i = 0; i < text.size(); ++i) {
    const auto byte = static_cast<unsigned char>(text[i]);
    if (byte == 0 || byte == 0xFF) return false;
    if (byte < 0x81) continue;
    if (++i == text.size()) return false;
    const auto trail = static_cast<unsigned char>(text[i]);
    if (trail < 0x40 || trail == 0x7F || trail == 0xFF) return false;
  }
  return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const net::Text before_zero = fuzz::as_text(fuzz::as_view(data, size));
  const net::Text gbk = net::utf8_to_gbk(net::Bytes(data, data + size));
  fuzz::require(well_formed_gbk(gbk) && gbk.size() <= before_zero.size());
  const bool ascii = std::all_of(before_zero.begin(), before_zero.end(), [](char c) { return c > 0; });
  fuzz::require(!ascii || gbk == before_zero);
  return 0;
}
