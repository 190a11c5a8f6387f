// gzip_decode of any bytes: never past the bound, and a cut stream inflates to a prefix of what
// the whole stream inflates to (the chunked loop loses or repeats nothing at its borders).
#include <algorithm>

#include "fuzz/fuzz_support.h"
#include "net/decode.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  const net::Bytes whole = net::gzip_decode(net::Bytes(data, data + size));
  fuzz::require(whole.size() <= net::kMaxInflatedSize && (size > 0 || whole.empty()));
  if (whole.empty()) return 0;
  const net::Bytes cut = net::gzip_decode(net::Bytes(data, data + size / 2));
  fuzz::require(cut.size() <= whole.size() && std::equal(cut.begin(), cut.end(), whole.begin()));
  return 0;
}
