#include "inspect/world_picture.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <vector>

#include "failure.h"
#include "quorvel/quorvel.h"

namespace quorvel {
namespace {

// The world pixel whose place holds picture pixel i of count across a side of side pixels.
std::int64_t sourceOf(std::int64_t i, std::int64_t count, std::int64_t side) {
  return std::min(side - 1, (2 * i + 1) * side / (2 * count));
}

}  // namespace

Picture worldPreviewPicture(const std::string& manifestName, int width) {
  const WorldManifest world = readWorldManifest(manifestName);
  Picture picture;
  picture.channels = 3;
  picture.width = width > 0 && width < world.width ? width : world.width;
  picture.height = static_cast<int>(std::max<std::int64_t>(
      1, (std::int64_t{world.height} * picture.width + world.width / 2) / world.width));
  picture.pixels.resize(static_cast<std::size_t>(picture.width) * picture.height * 3);
  const std::filesystem::path directory = std::filesystem::path(manifestName).parent_path();
  for (const WorldTile& tile : world.tiles) {
    const Map map((directory / tile.file).string());
    if (map.bytes() != tile.bytes || map.width() != tile.width || map.height() != tile.height) {
      throw Failure(ErrorKind::kFormat, map.path() + " is not the tile its manifest records\n");
    }
    const Picture colours = previewPicture(map);
    for (int v = 0; v < picture.height; ++v) {
      const std::int64_t y = sourceOf(v, picture.height, world.height) - tile.y0;
      if (y < 0 || y >= tile.height) continue;
      for (int u = 0; u < picture.width; ++u) {
        const std::int64_t x = sourceOf(u, picture.width, world.width) - tile.x0;
        if (x < 0 || x >= tile.width) continue;
        const auto from = colours.pixels.begin() + (y * colours.width + x) * 3;
        std::copy(from, from + 3,
                  picture.pixels.begin() + (static_cast<std::int64_t>(v) * picture.width + u) * 3);
      }
    }
  }
  return picture;
}

}  // namespace quorvel
