#pragma once
// Compression the stand-in needs for the service's replies and its default cover picture.

#include <string>
#include <string_view>

namespace standin {

// A complete gzip stream (RFC 1952) of `data`, as the service sends its replies.
std::string gzip_compress(std::string_view data);

// A zlib stream (RFC 1950) of `data`, as a PNG image carries its pixels.
std::string zlib_compress(std::string_view data);

// CRC-32 as zlib computes it (the checksum of gzip and PNG).
unsigned long crc32_of(std::string_view data);

}  // namespace standin
