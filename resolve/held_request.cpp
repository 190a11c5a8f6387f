#include "resolve/held_request.h"

#include <cstdint>

namespace resolve {

net::Bytes held_web_request(net::WebRequest request, std::size_t limit) {
  net::Bytes body;
  bool complete = false;
  request.body_sink = [&body, limit](const std::uint8_t* data, std::size_t size) {
    if (size > limit - body.size()) return false;  // aborts the transfer
    body.insert(body.end(), data, data + size);
    return true;
  };
  request.out_complete = &complete;
  net::web_request(request);
  // What arrived of a request that failed is no body, as web_request gives none then.
  if (!complete) body.clear();
  return body;
}

}  // namespace resolve
