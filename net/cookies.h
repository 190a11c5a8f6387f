#pragma once
// Header lines and cookie lists as the HTTP routine reads and writes them.
//
// A header line is a name, a colon and a value; only the first colon separates. A cookie list
// is items separated by ";" (written as "; "), each item name=value. Names compare byte-exact.
// Nothing here fails: what cannot be found yields empty text.

#include <string_view>
#include <vector>

#include "net/text.h"

namespace net {

// Trimmed text before / after the first ":" of a header line; empty when there is no ":".
Text header_name(std::string_view line);
Text header_value(std::string_view line);

// The text between the first `front` found at or after `start` and the first `back` after it;
// empty when either is missing. "#引号" (GBK) in a marker stands for a double quote.
Text text_between(std::string_view text, std::string_view front, std::string_view back, int start = 1,
                  bool ignore_case = false);

// Merges the cookies a response set (`new_list`) into `old_list`: a new cookie wins over the old
// one of its name, old cookies of other names follow, items ending in "=deleted" go, exact
// duplicates collapse. Both variables are trimmed; `old_list` ends up holding the result.
Text merge_cookies(Text& old_list, Text& new_list);

// Trimmed text before the first "=", or the whole item trimmed.
Text cookie_name(std::string_view item);
bool has_cookie_named(const std::vector<Text>& items, std::string_view name);

// `text` with exact duplicate pieces (split at `separator`) removed, first ones kept.
Text unique_items(std::string_view text, std::string_view separator);

// 1-based index of the first entry equal to `text`, or -1.
int find_item(const std::vector<Text>& list, std::string_view text);

}  // namespace net
