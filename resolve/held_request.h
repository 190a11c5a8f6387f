#pragma once
// Requests whose body the program keeps whole in memory: the front-end page, the service's
// reply and the cover picture. A server that never stops sending would otherwise take all the
// process's memory with it (the no-progress bound never fires while bytes flow), so each such
// body is given up past a bound, and the request then fails as any failed request does.

#include <cstddef>

#include "net/decode.h"
#include "net/web_request.h"

namespace resolve {

// More than any reply inflates to and any cover weighs.
inline constexpr std::size_t kMaxHeldBody = net::kMaxInflatedSize;

// web_request with `request` as given (its own body_sink and out_complete are not used); the
// body, or empty Bytes when the request failed or its body passed `limit` bytes.
net::Bytes held_web_request(net::WebRequest request, std::size_t limit = kMaxHeldBody);

}  // namespace resolve
