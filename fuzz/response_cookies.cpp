// The cookie collection of web_request on any response header text, then the merge into the
// caller's cookies, as a response would drive them. The input is the caller's cookie list and
// the raw header text, cut at the first zero byte.
#include <unordered_set>

#include "fuzz/fuzz_support.h"
#include "net/cookies.h"
#include "net/web_request.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  auto parts = fuzz::zero_separated(fuzz::as_view(data, size), 2);
  net::Text& cookies = parts[0];
  net::Text headers = parts[1];
  const net::Text collected = net::collect_response_cookies(headers);

  // Only the spelling of "Set-Cookie" changes, once and for all; the items come out of the lines.
  const net::Text spelled = headers;
  fuzz::require(spelled.size() == parts[1].size() && net::collect_response_cookies(headers) == collected &&
                headers == spelled);
  fuzz::require(collected.size() <= headers.size() &&
                (net::contains(headers, "Set-Cookie") || collected.empty()));

  net::Text fresh = collected;
  const net::Text merged = net::merge_cookies(cookies, fresh);
  std::unordered_set<net::Text> seen;
  for (const net::Text& item : net::split(merged, "; ")) {
    fuzz::require(!item.ends_with("=deleted") && seen.insert(item).second);
  }
  return 0;
}
