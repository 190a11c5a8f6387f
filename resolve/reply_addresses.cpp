#include "resolve/reply_addresses.h"

#include <string>

namespace resolve {

std::vector<net::Text> read_addresses(script::JsonDocument& reply, AddressShape shape) {
  if (shape == AddressShape::single) return {reply.GetText("data.video")};
  const bool download = shape == AddressShape::download_list;
  const net::Text list = download ? "data.video.download" : "data.video";
  const int count = reply.GetCount(list);
  std::vector<net::Text> addresses;
  for (int i = 0; i < count; ++i) {
    const net::Text element = list + "[" + std::to_string(i) + "]";
    addresses.push_back(reply.GetText(download ? element + ".url" : element));
  }
  return addresses;
}

void fill_address_boxes(Window& window, const std::vector<net::Text>& addresses, AddressShape shape) {
  if (shape == AddressShape::single) {
    window.set_address1(addresses.empty() ? net::Text() : addresses.front());
    return;
  }
  for (std::size_t i = 0; i < addresses.size(); ++i) {
    if (i == 0) {
      window.set_address1(addresses[i]);
    } else if (i == 1) {
      window.set_address2(addresses[i]);
    } else {
      window.append_address2("\r\n" + addresses[i]);
    }
  }
}

}  // namespace resolve
