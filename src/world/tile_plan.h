#pragma once

#include <cstdint>
#include <string>

#include "image/texture.h"

namespace quorvel {

// A rectangle of a world's pixels in map order: columns from the west, rows from the south.
struct PixelWindow {
  std::int32_t x0 = 0;
  std::int32_t y0 = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  bool operator==(const PixelWindow&) const = default;
};

// A world cut into tiles of tileSize x tileSize pixels (the last column and row of tiles
// narrower) that share their border column or row, as blocFiles do inside a map. Tile
// (column, row) is number row x columns + column.
struct TilePlan {
  std::int32_t worldWidth = 0;
  std::int32_t worldHeight = 0;
  std::int32_t tileSize = 0;
  std::int32_t columns = 0;
  std::int32_t rows = 0;

  [[nodiscard]] std::int32_t count() const { return columns * rows; }
  [[nodiscard]] std::int32_t column(std::int32_t index) const { return index % columns; }
  [[nodiscard]] std::int32_t row(std::int32_t index) const { return index / columns; }
  // The tile's own pixels.
  [[nodiscard]] PixelWindow window(std::int32_t index) const;
  // Its pixels and the ring of one pixel round them inside the world: what its normals read.
  [[nodiscard]] PixelWindow apron(std::int32_t index) const;
  // Its pixels but the column and row it shares with the next tiles: the tiles' parts cut
  // the world with no overlap.
  [[nodiscard]] PixelWindow part(std::int32_t index) const;
};

// 51 to 5001 pixels, 50 n + 1: a tile must be a map.
[[nodiscard]] bool tileSizeFits(long long tileSize);

// The plan of a world whose size checkWorldSize accepts, with a size tileSizeFits accepts.
[[nodiscard]] TilePlan planTiles(std::int32_t width, std::int32_t height, std::int32_t tileSize);

// A world's altitude must be 50 n + 1 pixels each way, n at least 1, with no largest size;
// throws "largeur incorrect" or "hauteur incorrect", width first, with the hint.
void checkWorldSize(const Texture& alt);

// "<base>_<column>_<row>.map".
[[nodiscard]] std::string tileFileName(const std::string& base, std::int32_t column,
                                       std::int32_t row);

// Whether tile index goes to shard shardIndex of shardCount (index mod count).
[[nodiscard]] constexpr bool inShard(std::int32_t index, std::int32_t shardIndex,
                                     std::int32_t shardCount) {
  return index % shardCount == shardIndex;
}

}  // namespace quorvel
