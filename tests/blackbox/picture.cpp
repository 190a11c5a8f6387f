#include "tests/blackbox/picture.h"

#include <algorithm>
#include <unordered_set>

namespace blackbox {
namespace {

std::uint32_t pixel(const Image& image, int x, int y) {
  auto at =
      (static_cast<std::size_t>(y) * static_cast<std::size_t>(image.width) + static_cast<std::size_t>(x)) * 3;
  return static_cast<std::uint32_t>(image.rgb[at]) << 16 |
         static_cast<std::uint32_t>(image.rgb[at + 1]) << 8 | image.rgb[at + 2];
}

}  // namespace

Image Image::crop(const Rect& area) const {
  int left = std::clamp(area.left, 0, width);
  int top = std::clamp(area.top, 0, height);
  int right = std::clamp(area.left + area.width, left, width);
  int bottom = std::clamp(area.top + area.height, top, height);
  Image out{.width = right - left, .height = bottom - top};
  out.rgb.reserve(static_cast<std::size_t>(out.width) * static_cast<std::size_t>(out.height) * 3);
  for (int y = top; y < bottom; ++y) {
    auto row = rgb.begin() + (static_cast<std::ptrdiff_t>(y) * width + left) * 3;
    out.rgb.insert(out.rgb.end(), row, row + static_cast<std::ptrdiff_t>(out.width) * 3);
  }
  return out;
}

std::size_t distinct_colours(const Image& image) {
  std::unordered_set<std::uint32_t> colours;
  for (int y = 0; y < image.height; ++y) {
    for (int x = 0; x < image.width; ++x)
      colours.insert(pixel(image, x, y));
  }
  return colours.size();
}

std::size_t differing_pixels(const Image& a, const Image& b) {
  if (a.width != b.width || a.height != b.height) {
    return static_cast<std::size_t>(std::max(a.width * a.height, b.width * b.height));
  }
  std::size_t count = 0;
  for (int y = 0; y < a.height; ++y) {
    for (int x = 0; x < a.width; ++x)
      count += pixel(a, x, y) != pixel(b, x, y) ? 1 : 0;
  }
  return count;
}

std::optional<Rect> dark_bounds(const Image& image, const Rect& area, int threshold) {
  int left = image.width, top = image.height, right = -1, bottom = -1;
  int x_end = std::min(area.left + area.width, image.width);
  int y_end = std::min(area.top + area.height, image.height);
  for (int y = std::max(area.top, 0); y < y_end; ++y) {
    for (int x = std::max(area.left, 0); x < x_end; ++x) {
      auto colour = pixel(image, x, y);
      int mean = static_cast<int>(((colour >> 16) & 0xFF) + ((colour >> 8) & 0xFF) + (colour & 0xFF)) / 3;
      if (mean >= threshold) continue;
      left = std::min(left, x);
      top = std::min(top, y);
      right = std::max(right, x);
      bottom = std::max(bottom, y);
    }
  }
  if (right < 0) return std::nullopt;
  return Rect{.left = left, .top = top, .width = right - left + 1, .height = bottom - top + 1};
}

}  // namespace blackbox
