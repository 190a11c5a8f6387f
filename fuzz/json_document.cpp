// JsonDocument::Parse of any reply text, then the reads the Parse and Download actions make:
// the title, the cover, the address or the address lists and their first elements.
#include <string>

#include "fuzz/fuzz_support.h"
#include "script/json_document.h"

namespace {

constexpr int kElementsRead = 4;

// A count is the number of members or elements, or -2 (absent or null), or 0 (unreadable).
int checked_count(script::JsonDocument& document, std::string_view path, bool parsed) {
  const int count = document.GetCount(path);
  fuzz::require(count >= -2 && (parsed || count <= 0));
  return count;
}

void read_text(script::JsonDocument& document, const std::string& path, bool parsed) {
  const net::Text text = document.GetText(path);
  fuzz::require(text.find('\0') == net::Text::npos && (parsed || text.empty()));
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  script::JsonDocument document;
  const bool parsed = document.Parse(fuzz::as_text(fuzz::as_view(data, size)));
  for (const char* path : {"data.text", "data.video", "data.cover", "data.cover[0]", "data.cover[1]"})
    read_text(document, path, parsed);

  const int videos = checked_count(document, "data.video", parsed);
  for (int i = 0; i < videos && i < kElementsRead; ++i) {
    read_text(document, "data.video[" + std::to_string(i) + "]", parsed);
  }
  const int downloads = checked_count(document, "data.video.download", parsed);
  for (int i = 0; i < downloads && i < kElementsRead; ++i) {
    read_text(document, "data.video.download[" + std::to_string(i) + "].url", parsed);
  }
  return 0;
}
