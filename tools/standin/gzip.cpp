#include "tools/standin/gzip.h"

#include <zlib.h>

#include <stdexcept>

namespace standin {
namespace {

// Owns a deflate stream for the length of one compression.
class Deflater {
 public:
  explicit Deflater(int window_bits) {
    if (deflateInit2(&stream_, Z_BEST_COMPRESSION, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY) != Z_OK) {
      throw std::runtime_error("deflateInit2 failed");
    }
  }
  ~Deflater() { deflateEnd(&stream_); }
  Deflater(const Deflater&) = delete;
  Deflater& operator=(const Deflater&) = delete;

  std::string run(std::string_view data) {
    std::string out;
    out.resize(deflateBound(&stream_, static_cast<uLong>(data.size())) + 32);
    stream_.next_in = reinterpret_cast<Bytef*>(const_cast<char*>(data.data()));
    stream_.avail_in = static_cast<uInt>(data.size());
    stream_.next_out = reinterpret_cast<Bytef*>(out.data());
    stream_.avail_out = static_cast<uInt>(out.size());
    if (deflate(&stream_, Z_FINISH) != Z_STREAM_END) throw std::runtime_error("deflate did not finish");
    out.resize(stream_.total_out);
    return out;
  }

 private:
  z_stream stream_{};
};

}  // namespace

std::string gzip_compress(std::string_view data) {
  return Deflater(15 + 16).run(data);
}

std::string zlib_compress(std::string_view data) {
  return Deflater(15).run(data);
}

unsigned long crc32_of(std::string_view data) {
  return crc32(crc32(0L, Z_NULL, 0), reinterpret_cast<const Bytef*>(data.data()),
               static_cast<uInt>(data.size()));
}

}  // namespace standin
