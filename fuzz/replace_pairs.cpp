// replace_pairs of any texts. The input is: an option byte (bit 0: a count is given, bit 1: case
// sensitive), the count, the start position (signed), then the text and the five find and
// replacement texts, cut at zero bytes.
#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "net/decode.h"

namespace {

net::ReplacePairs from_input(std::string_view input) {
  const std::uint8_t options = fuzz::take_byte(input);
  const std::uint8_t count = fuzz::take_byte(input);
  const auto start = static_cast<std::int8_t>(fuzz::take_byte(input));
  const auto t = fuzz::zero_separated(input, 11);
  net::ReplacePairs args{.text = t[0], .start = start, .case_sensitive = (options & 2) != 0};
  if (options & 1) args.count = count % 4;
  args.find1 = t[1], args.replacement1 = t[2], args.find2 = t[3], args.replacement2 = t[4];
  args.find3 = t[5], args.replacement3 = t[6], args.find4 = t[7], args.replacement4 = t[8];
  args.find5 = t[9], args.replacement5 = t[10];
  return args;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  net::ReplacePairs args = from_input(fuzz::as_view(data, size));
  const net::Text& text = args.text;
  const net::Text result = net::replace_pairs(args);

  // Nothing before the start position is touched; a count of 0 touches nothing at all.
  const std::size_t kept = std::min<std::size_t>(std::max(args.start, 1) - 1, text.size());
  fuzz::require(result.compare(0, kept, text, 0, kept) == 0);
  fuzz::require(args.count != 0 || result == text);

  // Replacing a text by itself, exactly, changes nothing.
  net::ReplacePairs same = args;
  same.case_sensitive = true;
  same.replacement1 = same.find1, same.replacement2 = same.find2, same.replacement3 = same.find3;
  same.replacement4 = same.find4, same.replacement5 = same.find5;
  fuzz::require(net::replace_pairs(same) == text);

  // Empty find texts change nothing, whatever the replacements.
  net::ReplacePairs empty = args;
  empty.find1.clear(), empty.find2.clear(), empty.find3.clear(), empty.find4.clear(), empty.find5.clear();
  fuzz::require(net::replace_pairs(empty) == text);
  return 0;
}
