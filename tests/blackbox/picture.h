#pragma once
// Screen pictures as the tests read them: RGB pixels, and the few measures the checks need.

#include <cstddef>
#include <cstdint>
#include <optional>
#include <vector>

namespace blackbox {

struct Rect {
  int left = 0;
  int top = 0;
  int width = 0;
  int height = 0;
};

struct Image {
  int width = 0;
  int height = 0;
  std::vector<std::uint8_t> rgb{};  // row by row, three bytes a pixel

  bool empty() const { return width <= 0 || height <= 0; }
  // The part of the picture inside `area` (clipped to the picture).
  Image crop(const Rect& area) const;
};

// How many different colours the picture holds: a blank area has one or two (a frame line).
std::size_t distinct_colours(const Image& image);

// How many pixels differ between two pictures of one size (all of them when the sizes differ).
std::size_t differing_pixels(const Image& a, const Image& b);

// The smallest rectangle holding every pixel within `area` whose mean of red, green and blue is
// below `threshold`: where text is drawn on a light background. None when there is none.
std::optional<Rect> dark_bounds(const Image& image, const Rect& area, int threshold = 128);

}  // namespace blackbox
