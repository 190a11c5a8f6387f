#include "net/decode.h"

#define ZLIB_CONST
#include <zlib.h>

#include <algorithm>
#include <array>
#include <utility>

#include "net/codepage.h"

namespace net {
namespace {

constexpr std::size_t kChunkSize = 8192;

// 15 window bits, +32: detect a gzip or a zlib header by itself.
constexpr int kGzipOrZlibWindow = 15 + 32;

// Owns one inflate stream for the length of a gzip_decode call.
class Inflater {
 public:
  Inflater() { ready_ = inflateInit2(&stream_, kGzipOrZlibWindow) == Z_OK; }
  ~Inflater() {
    if (ready_)
      inflateEnd(&stream_);
  }
  Inflater(const Inflater&) = delete;
  Inflater& operator=(const Inflater&) = delete;

  bool ready() const { return ready_; }
  z_stream& stream() { return stream_; }

 private:
  z_stream stream_{};
  bool ready_ = false;
};

}  // namespace

Bytes gzip_decode(const Bytes& input) {
  Inflater inflater;
  if (!inflater.ready())
    return {};
  z_stream& stream = inflater.stream();

  std::array<Bytef, kChunkSize> buffer{};
  Bytes result;
  std::size_t read = 0;
  for (;;) {
    const std::size_t chunk = std::min(kChunkSize, input.size() - read);
    stream.next_in = input.data() + read;
    stream.avail_in = static_cast<uInt>(chunk);
    stream.next_out = buffer.data();
    stream.avail_out = static_cast<uInt>(buffer.size());

    const int status = inflate(&stream, Z_NO_FLUSH);
    const std::size_t consumed = chunk - stream.avail_in;
    const std::size_t produced = buffer.size() - stream.avail_out;

    if (produced > kMaxInflatedSize - result.size())
      return {};
    result.insert(result.end(), buffer.begin(), buffer.begin() + static_cast<std::ptrdiff_t>(produced));
    read += consumed;

    // Stream end and errors stop here; so does a stream cut short, once a call gets nowhere.
    if (status != Z_OK)
      break;
    if (consumed == 0 && produced == 0)
      break;
  }
  return result;
}

Text utf8_to_gbk(const Bytes& input) {
  if (input.empty())
    return {};
  return utf8_to_gbk_text(std::string_view(reinterpret_cast<const char*>(input.data()), input.size()));
}

Text replace_pairs(const ReplacePairs& args) {
  const ReplaceOptions options{
      .start = args.start == 0 ? 1 : args.start,
      .limit = args.count,
      .ignore_case = !args.case_sensitive,
  };
  const std::pair<const Text&, const Text&> pairs[] = {
      {args.find1, args.replacement1}, {args.find2, args.replacement2}, {args.find3, args.replacement3},
      {args.find4, args.replacement4}, {args.find5, args.replacement5},
  };
  Text text = args.text;
  for (const auto& [find, replacement] : pairs)
    text = replace_text(text, find, replacement, options);
  return text;
}

}  // namespace net
