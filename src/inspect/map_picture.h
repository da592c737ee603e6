#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quorvel/quorvel.h"

namespace quorvel {

// One pixel per terrain vertex. Pixel (x, y) begins at byte (x + y * width) * channels, as in
// a Texture: row 0 is the map's y = 0, the first row stored in the input BMPs.
struct Picture {
  int width = 0;
  int height = 0;
  int channels = 0;  // 3: red, green, blue; 1: grey
  std::vector<std::uint8_t> pixels;
};

// The baked vertex colours. Throws when the map holds no record.
[[nodiscard]] Picture previewPicture(const Map& map);

// The heights in grey, the lowest black and the highest white, linearly; a map of one
// height is mid grey (128). NaN is black, an infinite height black or white by its sign,
// and neither widens the range. Throws when the map holds no record.
[[nodiscard]] Picture reliefPicture(const Map& map);

// Writes the picture as an 8-bit PNG with row 0 at the bottom, so it looks like the input
// BMPs do in a viewer. Throws with the file name on any failure, after removing what it
// wrote if that is a regular file.
void writePng(const Picture& picture, const std::string& fileName);

}  // namespace quorvel
