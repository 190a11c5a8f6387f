// Writes the seed corpus of every fuzz target: <folder>/<target>/<seed>, built from the stand-in
// service's own replies (each site's shape) and the texts the unit tests use.
//
//   fuzz_seeds build-fuzz/seeds
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "net/decode.h"
#include "resolve/sample_link.h"
#include "tools/standin/gzip.h"
#include "tools/standin/media.h"
#include "tools/standin/replies.h"
#include "tools/standin/sites.h"

namespace {

namespace fs = std::filesystem;
using namespace std::string_literals;  // "...\0..."s keeps the zero bytes that separate parts

const std::string kQuoteWord = "#\xD2\xFD\xBA\xC5";  // #引号

class SeedWriter {
 public:
  explicit SeedWriter(fs::path root) : root_(std::move(root)) {}

  void write(std::string_view target, std::string_view name, std::string_view bytes) {
    const fs::path folder = root_ / target;
    fs::create_directories(folder);
    std::ofstream(folder / name, std::ios::binary)
        .write(bytes.data(), static_cast<std::streamsize>(bytes.size()));
    ++written_;
  }
  int written() const { return written_; }

 private:
  fs::path root_;
  int written_ = 0;
};

std::string to_gbk(std::string_view utf8) {
  return net::utf8_to_gbk(net::Bytes(utf8.begin(), utf8.end()));
}

void reply_seeds(SeedWriter& out) {
  for (const auto& site : standin::kServiceSites) {
    const std::string json = standin::reply_json(site.shape, standin::default_reply(site));
    const std::string name(site.name);
    out.write("gzip_decode", name, standin::gzip_compress(json));
    out.write("utf8_to_gbk", name, json);
    out.write("json_document", name, to_gbk(json));
  }
  standin::SiteReply as_list = standin::default_reply(standin::kServiceSites[0]);
  as_list.video_as_list = true;
  as_list.videos.push_back(standin::media_url("/video/kuaishou/2.mp4"));
  const std::string list_json = standin::reply_json(standin::ReplyShape::single, as_list);
  out.write("json_document", "kuaishou_video_list", to_gbk(list_json));

  const std::string refused =
      standin::error_json(403, "\xE7\xAD\xBE\xE5\x90\x8D\xE9\x94\x99\xE8\xAF\xAF");  // 签名错误
  out.write("json_document", "refused", to_gbk(refused));
  out.write("json_document", "not_json", standin::not_json_body());
  out.write("gzip_decode", "refused", standin::gzip_compress(refused));
  out.write("gzip_decode", "zlib", standin::zlib_compress(list_json));
  out.write("gzip_decode", "not_gzip", standin::not_json_body());
  const std::string packed = standin::gzip_compress(list_json);
  out.write("gzip_decode", "cut_short", packed.substr(0, packed.size() / 2));
  // More than one 8192-byte chunk of compressed input, so the fuzzer works on chunk borders.
  out.write("gzip_decode", "video_bytes", standin::gzip_compress(standin::pattern_bytes(20000)));
}

void text_seeds(SeedWriter& out) {
  out.write("utf8_to_gbk", "download_done",
            "\xE8\xA7\x86\xE9\xA2\x91\xE5\xB7\xB2\xE7\xBB\x8F\xE4\xB8\x8B"
            "\xE8\xBD\xBD\xE6\x88\x90\xE5\x8A\x9F");              // 视频已经下载成功
  out.write("utf8_to_gbk", "outside_gbk", "a\xF0\x9F\x98\x80z");  // an emoji
  out.write("utf8_to_gbk", "byte_order_mark", "\xEF\xBB\xBFok");
  out.write("utf8_to_gbk", "malformed", "\xC3\x28\xE2\x82\xF0\x80\x80\x80\xED\xA0\x80");
  out.write("utf8_to_gbk", "zero_inside", "ab\0cd"s);

  // First byte: bit 0 keep_safe, bit 1 as_utf8.
  out.write("encode", "share_link", "\x01"s + std::string(resolve::kSampleShareLink));
  out.write("encode", "safe_bytes",
            "\x01"
            "a b/c-d.e_f~+");
  out.write("encode", "all_encoded",
            "\x00"
            "A1\x0A"s);
  out.write("encode", "chinese_as_utf8", "\x03\xD6\xD0");  // 中
  out.write("encode", "proxy_credentials", "\x01user:p\xC3\xA4ss");

  // Option byte (bit 0 ignore case, the rest the start), old, new, text, front, back.
  out.write("cookies", "new_wins",
            "\x02"
            "a=1; b=2\0b=3; c=4\0Set-Cookie: a=b; path=/\0Set-Cookie:\0;"s);
  out.write("cookies", "deleted",
            "\x02"
            "sid=1; u=2\0sid=deleted\0key=\"v\" x\0key="s +
                kQuoteWord + "\0"s + kQuoteWord);
  out.write("cookies", "empty_item",
            "\x03"
            "a=1;;b=2\0\0SET-COOKIE: x;\0set-cookie:\0;"s);
  out.write("cookies", "duplicates",
            "\x08"
            "a=1\0k=v; k=v\0[a][b]\0[\0]"s);
  out.write("cookies", "double_byte",
            "\x02\xA1\xA1"
            "a=\xD6\xD0; b=deleted\0a=5; a=6\0\x81"
            "a=1;\0a=\0;"s);

  // The caller's cookies, then the response header lines as the request object gives them.
  out.write("response_cookies", "spellings",
            "a=1; b=2\0Content-Type: text/html\r\nSet-Cookie: a=1; path=/\r\nset-cookie: b=2\r\n"
            "SET-COOKIE: c=3; HttpOnly; Path=/x\r\nContent-Length: 0"s);
  out.write("response_cookies", "deleted",
            "sid=1; u=2\0Set-Cookie: sid=deleted; Max-Age=0\r\nSet-Cookie: u=3\r\n"s);
  out.write("response_cookies", "duplicates",
            "\0Set-Cookie: k=v\r\nSet-Cookie: k=v\r\nX-Set-Cookie-Note: 1"s);
  out.write("response_cookies", "double_byte",
            "a=\xD6\xD0\0Set-Cookie: t=\xCE\xC4; path=/\r\nSet-Cookie:\xA1\xA1"
            "b=\x81;\r\n"s);

  // Option byte (bit 0 count given, bit 1 case sensitive), count, start, text, five pairs.
  const std::string address = standin::media_url("/video/douyin/1.mp4#mp4?t=#MP4");
  out.write("replace_pairs", "marker", "\x00\x00\x00"s + address + "\0#mp4\0"s);
  out.write("replace_pairs", "marker_exact_case", "\x02\x00\x00"s + address + "\0#mp4\0"s);
  out.write("replace_pairs", "count_one", "\x01\x01\x00#mp4#mp4\0#mp4\0\0a\0b"s);
  out.write("replace_pairs", "start_three", "\x00\x00\x03#mp4#mp4\0#mp4\0"s);
  out.write("replace_pairs", "pairs_in_order", "\x00\x00\x00xax\0a\0b\0b\0c"s);
  out.write("replace_pairs", "trail_byte",
            "\x00\x00\x00\x81"
            "ab\0ab\0X"s);
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: %s <seed folder>\n", argv[0]);
    return 2;
  }
  SeedWriter out{fs::path(argv[1])};
  reply_seeds(out);
  text_seeds(out);
  std::printf("%d seeds written under %s\n", out.written(), argv[1]);
  return 0;
}
