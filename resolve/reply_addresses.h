#pragma once
// Reading a reply's video addresses and putting them into the window's two address boxes.

#include <vector>

#include "net/text.h"
#include "resolve/site_table.h"
#include "resolve/window.h"
#include "script/json_document.h"

namespace resolve {

// The addresses a reply holds in the given shape, in order: the one text at "data.video", the
// elements of the list at "data.video", or the "url" members of "data.video.download".
std::vector<net::Text> read_addresses(script::JsonDocument& reply, AddressShape shape);

// A single address replaces address box 1 (even when empty). A list puts its first address into
// box 1, its second into box 2 and appends each further one to box 2 on a line of its own; an
// empty list touches neither box, a one-address list leaves box 2 as it was.
void fill_address_boxes(Window& window, const std::vector<net::Text>& addresses, AddressShape shape);

}  // namespace resolve
