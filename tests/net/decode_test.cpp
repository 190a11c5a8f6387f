#include "net/decode.h"

#include <gtest/gtest.h>
#include <zlib.h>

#include <algorithm>
#include <random>

namespace net {
namespace {

enum class Wrapper { kGzip, kZlib };

// Compresses `size` bytes taken from `byte_at(i)`, fed in pieces so huge inputs need no buffer.
template <typename ByteAt>
Bytes compress(std::size_t size, Wrapper wrapper, ByteAt byte_at) {
  z_stream stream{};
  const int window_bits = wrapper == Wrapper::kGzip ? 15 + 16 : 15;
  EXPECT_EQ(deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, window_bits, 8, Z_DEFAULT_STRATEGY), Z_OK);
  Bytes out;
  Bytes piece(1 << 16);
  Bytes buffer(1 << 16);
  std::size_t done = 0;
  int status = Z_OK;
  while (status != Z_STREAM_END) {
    const std::size_t take = std::min(piece.size(), size - done);
    for (std::size_t i = 0; i < take; ++i)
      piece[i] = byte_at(done + i);
    done += take;
    stream.next_in = piece.data();
    stream.avail_in = static_cast<uInt>(take);
    const int flush = done == size ? Z_FINISH : Z_NO_FLUSH;
    do {
      stream.next_out = buffer.data();
      stream.avail_out = static_cast<uInt>(buffer.size());
      status = deflate(&stream, flush);
      out.insert(out.end(), buffer.begin(), buffer.end() - stream.avail_out);
    } while (stream.avail_out == 0 || (flush == Z_FINISH && status != Z_STREAM_END));
  }
  deflateEnd(&stream);
  return out;
}

Bytes compress(const Bytes& data, Wrapper wrapper = Wrapper::kGzip) {
  return compress(data.size(), wrapper, [&](std::size_t i) { return data[i]; });
}

// Bytes of moderate redundancy: deflate shrinks them, but not to nothing.
Bytes letters(std::size_t size) {
  std::mt19937 random(7);
  Bytes data(size);
  for (auto& b : data)
    b = static_cast<std::uint8_t>('a' + random() % 16);
  return data;
}

Bytes noise(std::size_t size) {
  std::mt19937 random(11);
  Bytes data(size);
  for (auto& b : data)
    b = static_cast<std::uint8_t>(random());
  return data;
}

struct RoundTripCase {
  const char* what_it_proves;
  Bytes data;
  Wrapper wrapper;
};

TEST(GzipDecode, InflatesWholeStreams) {
  const RoundTripCase cases[] = {
      {"size exactly one output buffer", letters(8192), Wrapper::kGzip},
      {"size an exact multiple of the buffer", letters(3 * 8192), Wrapper::kGzip},
      {"one byte past a buffer border", letters(2 * 8192 + 1), Wrapper::kGzip},
      {"incompressible: more than 8192 compressed bytes", noise(50000), Wrapper::kGzip},
      {"zlib-wrapped deflate", letters(20000), Wrapper::kZlib},
      {"zero bytes inside the data", Bytes(30000, 0), Wrapper::kGzip},
      {"a single byte", Bytes{'x'}, Wrapper::kGzip},
      {"a stream of nothing", Bytes{}, Wrapper::kGzip},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(gzip_decode(compress(c.data, c.wrapper)), c.data) << c.what_it_proves;
  }
}

// Compressible data larger than a chunk: the output buffer fills before a chunk is used up, so
// every call leaves input for the next one to start with.
TEST(GzipDecode, ResumesAtTheFirstUnconsumedByte) {
  const Bytes data = letters(100000);
  const Bytes packed = compress(data);
  ASSERT_GT(packed.size(), 8192u * 4);
  ASSERT_LT(packed.size(), data.size() * 3 / 4);
  EXPECT_EQ(gzip_decode(packed), data);
}

TEST(GzipDecode, NotAStreamGivesEmpty) {
  const Bytes packed = compress(letters(100));
  const Bytes gzip_header_only(packed.begin(), packed.begin() + 10);
  const struct {
    const char* what_it_proves;
    Bytes input;
  } cases[] = {
      {"empty input", Bytes{}},
      {"plain JSON text", to_bytes("{\"code\":200,\"msg\":\"ok\"}")},
      {"plain HTML text", to_bytes("<html><body>hello</body></html>")},
      {"gzip header without a body", gzip_header_only},
  };
  for (const auto& c : cases) {
    EXPECT_TRUE(gzip_decode(c.input).empty()) << c.what_it_proves;
  }
}

TEST(GzipDecode, CutShortGivesWhatWasInflated) {
  for (const Bytes& data : {letters(100000), noise(100000)}) {
    Bytes packed = compress(data);
    packed.resize(packed.size() / 2);
    const Bytes got = gzip_decode(packed);
    EXPECT_GT(got.size(), 0u);
    EXPECT_LT(got.size(), data.size());
    EXPECT_TRUE(std::equal(got.begin(), got.end(), data.begin())) << "not a prefix of the data";
  }
}

TEST(GzipDecode, FaultsAfterTheDataKeepIt) {
  const Bytes data = letters(40000);
  Bytes bad_checksum = compress(data);
  bad_checksum[bad_checksum.size() - 8] ^= 0xFF;  // the CRC-32 of the gzip trailer
  EXPECT_EQ(gzip_decode(bad_checksum), data);

  Bytes trailing = compress(data);
  trailing.insert(trailing.end(), {'j', 'u', 'n', 'k'});
  EXPECT_EQ(gzip_decode(trailing), data);
}

TEST(GzipDecode, BombBound) {
  auto zero = [](std::size_t) { return std::uint8_t{0}; };
  const Bytes at_bound = compress(kMaxInflatedSize, Wrapper::kGzip, zero);
  const Bytes past_bound = compress(kMaxInflatedSize + 1, Wrapper::kGzip, zero);
  ASSERT_LT(past_bound.size(), std::size_t{1} << 20) << "the bomb should be a small input";

  const Bytes full = gzip_decode(at_bound);
  EXPECT_EQ(full.size(), kMaxInflatedSize);
  EXPECT_TRUE(gzip_decode(past_bound).empty());
}

struct Utf8Case {
  const char* what_it_proves;
  Bytes input;
  Text expected;
};

// 视频已经下载成功 in UTF-8
constexpr const char* kSavedUtf8 =
    "\xE8\xA7\x86\xE9\xA2\x91\xE5\xB7\xB2\xE7\xBB\x8F\xE4\xB8\x8B\xE8\xBD\xBD\xE6\x88\x90\xE5\x8A\x9F";

TEST(Utf8ToGbk, Cases) {
  const Utf8Case cases[] = {
      {"Chinese text, 16 GBK bytes", to_bytes(kSavedUtf8),
       "\xCA\xD3\xC6\xB5\xD2\xD1\xBE\xAD\xCF\xC2\xD4\xD8\xB3\xC9\xB9\xA6"},  // 视频已经下载成功
      {"empty input", Bytes{}, ""},
      {"a zero byte ends the text", Bytes{'a', 'b', 0, 'c', 'd'}, "ab"},
      {"zero byte first", Bytes{0, 'a'}, ""},
      {"emoji is outside GBK", to_bytes("a\xF0\x9F\x98\x80z"), "a?z"},
      {"Hangul is outside GBK", to_bytes("\xED\x95\x9C"), "?"},
      {"malformed UTF-8 replaced, not rejected", to_bytes("a\xFFz\xC3"), "a?z?"},
      {"byte-order mark kept as a character", to_bytes("\xEF\xBB\xBFx"), "?x"},
      {"ASCII unchanged", to_bytes("{\"a\":1}\r\n"), "{\"a\":1}\r\n"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(utf8_to_gbk(c.input), c.expected) << c.what_it_proves;
  }
  EXPECT_EQ(utf8_to_gbk(to_bytes(kSavedUtf8)).size(), 16u);
}

struct PairsCase {
  const char* what_it_proves;
  ReplacePairs args;
  Text expected;
};

TEST(ReplacePairs, Cases) {
  const Text marker_twice = "http://v.test/a.mp4#mp4?x=1#MP4";
  const PairsCase cases[] = {
      {"marker in any case, count left out",
       {.text = marker_twice, .find1 = "#mp4"},
       "http://v.test/a.mp4?x=1"},
      {"case flag keeps the capitals",
       {.text = marker_twice, .case_sensitive = true, .find1 = "#mp4"},
       "http://v.test/a.mp4?x=1#MP4"},
      {"count left out replaces all", {.text = "aabb", .find1 = "a", .find2 = "b"}, ""},
      {"count limits each pair, not the call",
       {.text = "aabb", .count = 1, .find1 = "a", .find2 = "b"},
       "ab"},
      {"count 0 replaces nothing", {.text = "aabb", .count = 0, .find1 = "a", .find2 = "b"}, "aabb"},
      {"count larger than the matches", {.text = "a#b#", .count = 9, .find1 = "#"}, "ab"},
      {"start 3 spares the first marker", {.text = "#mp4#mp4", .start = 3, .find1 = "#mp4"}, "#mp4"},
      {"start 0 counts as 1", {.text = "#mp4#mp4", .start = 0, .find1 = "#mp4"}, ""},
      {"start beyond the end", {.text = "abc", .start = 4, .find1 = "c"}, "abc"},
      {"pairs apply in order (a->b->c)",
       {.text = "xa", .find1 = "a", .replacement1 = "b", .find2 = "b", .replacement2 = "c"},
       "xc"},
      {"pairs apply in order (b->c then a->b)",
       {.text = "xa", .find1 = "b", .replacement1 = "c", .find2 = "a", .replacement2 = "b"},
       "xb"},
      {"all five pairs",
       {.text = "12345",
        .find1 = "1",
        .replacement1 = "a",
        .find2 = "2",
        .replacement2 = "b",
        .find3 = "3",
        .replacement3 = "c",
        .find4 = "4",
        .replacement4 = "d",
        .find5 = "5",
        .replacement5 = "e"},
       "abcde"},
      {"empty find changes nothing", {.text = "abc", .find1 = "", .replacement1 = "x"}, "abc"},
      {"no match across a GBK character border",
       {.text = "\xD6\xD0\xCE\xC4", .find1 = "\xD0\xCE"},  // 中文
       "\xD6\xD0\xCE\xC4"},
      {"no match on a trail byte",
       {.text = "\x81\x61x", .find1 = "ax", .replacement1 = "-"},  // 0x81 0x61: its trail byte is 'a'
       "\x81\x61x"},
      {"double-byte find replaced",
       {.text = "x\xD6\xD0y", .find1 = "\xD6\xD0", .replacement1 = "-"},  // 中
       "x-y"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(replace_pairs(c.args), c.expected) << c.what_it_proves;
  }
}

}  // namespace
}  // namespace net
