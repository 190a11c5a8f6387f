#pragma once
// The sites the program serves, and how a link is assigned to one of them.
//
// Rows are tried in table order and the first whose match text occurs in the link wins, so an
// address that names two sites goes to the earlier row. Matching compares bytes exactly (letter
// case counts) and steps over the link by whole GBK characters.

#include <array>
#include <span>
#include <string_view>

namespace resolve {

// Where a parse service reply carries the video addresses.
enum class AddressShape {
  single,         // one address text at "data.video"
  list,           // an array of address texts at "data.video"
  download_list,  // an array of objects at "data.video.download", each address in "url"
};

struct SiteRule {
  std::string_view site{};                        // tells the rows apart; never shown
  std::array<std::string_view, 2> match_texts{};  // one or two texts; an empty slot is unused
  std::string_view service_path{};                // the path on the parse service's API host
  AddressShape address_shape = AddressShape::single;
};

// The nine rows, in the order they are tried.
std::span<const SiteRule> site_table();

// The first row with a match text in `link` (the URL box's whole text, untrimmed), or nullptr.
const SiteRule* classify_link(std::string_view link);

}  // namespace resolve
