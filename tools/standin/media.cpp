#include "tools/standin/media.h"

#include <cstdint>

#include "tools/standin/gzip.h"

namespace standin {
namespace {

void append_be32(std::string& out, std::uint32_t value) {
  for (int shift = 24; shift >= 0; shift -= 8)
    out.push_back(static_cast<char>((value >> shift) & 0xFF));
}

void append_png_chunk(std::string& out, std::string_view type, std::string_view data) {
  append_be32(out, static_cast<std::uint32_t>(data.size()));
  std::string typed(type);
  typed.append(data);
  out.append(typed);
  append_be32(out, static_cast<std::uint32_t>(crc32_of(typed)));
}

std::string build_png() {
  constexpr int kSide = 2;
  std::string header;
  append_be32(header, kSide);
  append_be32(header, kSide);
  header.append({8, 2, 0, 0, 0});  // 8 bits per sample, RGB, deflate, no filter, no interlace
  // Each row: filter type 0, then the RGB samples.
  std::string pixels;
  for (int row = 0; row < kSide; ++row) {
    pixels.push_back(0);
    for (int col = 0; col < kSide; ++col)
      pixels.append({static_cast<char>(0xE0), 0x40, static_cast<char>(row * 0x80)});
  }
  std::string png("\x89PNG\r\n\x1A\n", 8);
  append_png_chunk(png, "IHDR", header);
  append_png_chunk(png, "IDAT", zlib_compress(pixels));
  append_png_chunk(png, "IEND", {});
  return png;
}

bool starts_with_bytes(std::string_view bytes, std::size_t at, std::string_view prefix) {
  return bytes.size() >= at + prefix.size() && bytes.substr(at, prefix.size()) == prefix;
}

}  // namespace

std::string media_url(std::string_view path) {
  return "http://" + std::string(kMediaHost) + std::string(path);
}

unsigned char pattern_byte(std::size_t offset) {
  // A multiplicative hash of the offset: cheap, and every 4 GiB before it repeats.
  auto mixed = static_cast<std::uint32_t>(offset) * 2654435761u;
  return static_cast<unsigned char>((mixed >> 24) ^ (mixed >> 11));
}

std::string pattern_bytes(std::size_t size, std::size_t offset) {
  std::string out(size, '\0');
  for (std::size_t i = 0; i < size; ++i)
    out[i] = static_cast<char>(pattern_byte(offset + i));
  return out;
}

const std::string& default_cover_png() {
  static const std::string png = build_png();
  return png;
}

std::string sniff_content_type(std::string_view bytes) {
  if (starts_with_bytes(bytes, 0, "\x89PNG")) return "image/png";
  if (starts_with_bytes(bytes, 0, "\xFF\xD8\xFF")) return "image/jpeg";
  if (starts_with_bytes(bytes, 0, "GIF8")) return "image/gif";
  if (starts_with_bytes(bytes, 0, "RIFF") && starts_with_bytes(bytes, 8, "WEBP")) return "image/webp";
  if (starts_with_bytes(bytes, 4, "ftyp")) return "video/mp4";
  return "application/octet-stream";
}

}  // namespace standin
