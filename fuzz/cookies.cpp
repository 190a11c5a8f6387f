// merge_cookies and text_between of any texts. The input is: one option byte for text_between
// (start position, ignore case), then old list, new list, text, front and back marker, cut at
// zero bytes.
#include <unordered_set>

#include "fuzz/fuzz_support.h"
#include "net/cookies.h"

namespace {

constexpr std::string_view kQuoteWord = "#\xD2\xFD\xBA\xC5";  // #引号
constexpr std::string_view kDeleted = "=deleted";

void check_merge(net::Text old_list, net::Text new_list) {
  const net::Text trimmed_new = net::trim(new_list);
  const net::Text merged = net::merge_cookies(old_list, new_list);
  fuzz::require(old_list == merged && new_list == trimmed_new);

  std::unordered_set<net::Text> seen;
  for (const net::Text& item : net::split(merged, "; ")) {
    fuzz::require(!item.ends_with(kDeleted) && seen.insert(item).second);
  }
}

void check_between(const net::Text& text, const net::Text& front, const net::Text& back, int start,
                   bool ignore_case) {
  const net::Text found = net::text_between(text, front, back, start, ignore_case);
  if (found.empty()) return;
  const net::Text real_back = net::replace_all(back, kQuoteWord, "\"");
  // The first back marker after the front one ends the result, so none lies inside it.
  fuzz::require(!real_back.empty() && net::find_text(found, real_back, 1, ignore_case) == -1);
  if (!ignore_case) {
    const net::Text framed = net::replace_all(front, kQuoteWord, "\"") + found + real_back;
    fuzz::require(text.find(framed) != net::Text::npos);
  } else {
    fuzz::require(text.find(found) != net::Text::npos);
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  std::string_view input = fuzz::as_view(data, size);
  const std::uint8_t options = fuzz::take_byte(input);
  const auto parts = fuzz::zero_separated(input, 5);
  check_merge(parts[0], parts[1]);
  check_between(parts[2], parts[3], parts[4], static_cast<std::int8_t>(options) / 2, (options & 1) != 0);
  return 0;
}
