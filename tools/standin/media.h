#pragma once
// The media the stand-in serves itself: the cover pictures and videos its replies name.

#include <cstddef>
#include <string>
#include <string_view>

namespace standin {

// The host of every cover and video address in the stand-in's replies. It is the stand-in's
// own and not one the program knows; requests reach it through the same proxy route.
inline constexpr std::string_view kMediaHost = "media.parse-service.example";

// "http://" + kMediaHost + path.
std::string media_url(std::string_view path);

// The byte at `offset` of every generated video: a fixed pattern that a test can recompute,
// and that does not repeat with a short period, so a shifted or spliced copy shows.
unsigned char pattern_byte(std::size_t offset);

// `size` bytes of the pattern starting at `offset`.
std::string pattern_bytes(std::size_t size, std::size_t offset = 0);

// A valid 2x2 PNG image, built in code: the default cover picture.
const std::string& default_cover_png();

// The content type that the leading bytes of an image or video announce (PNG, JPEG, GIF,
// WebP, MP4); "application/octet-stream" when none.
std::string sniff_content_type(std::string_view bytes);

}  // namespace standin
