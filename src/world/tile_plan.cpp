#include "world/tile_plan.h"

#include <algorithm>

#include "failure.h"
#include "map/map_format.h"
#include "map/map_size.h"

namespace quorvel {
namespace {

constexpr std::int32_t kLargestTile = kMaxBlocFiles * kBlocFilePixels + 1;

bool worldSideFits(std::int32_t side) {
  return side > kBlocFilePixels && (side - 1) % kBlocFilePixels == 0;
}

}  // namespace

PixelWindow TilePlan::window(std::int32_t index) const {
  const std::int32_t step = tileSize - 1;
  const std::int32_t x0 = column(index) * step;
  const std::int32_t y0 = row(index) * step;
  return {x0, y0, std::min(tileSize, worldWidth - x0), std::min(tileSize, worldHeight - y0)};
}

PixelWindow TilePlan::apron(std::int32_t index) const {
  const PixelWindow own = window(index);
  const std::int32_t x0 = std::max(0, own.x0 - 1);
  const std::int32_t y0 = std::max(0, own.y0 - 1);
  const std::int32_t x1 = std::min(worldWidth, own.x0 + own.width + 1);
  const std::int32_t y1 = std::min(worldHeight, own.y0 + own.height + 1);
  return {x0, y0, x1 - x0, y1 - y0};
}

PixelWindow TilePlan::part(std::int32_t index) const {
  PixelWindow own = window(index);
  if (own.x0 + own.width < worldWidth) --own.width;
  if (own.y0 + own.height < worldHeight) --own.height;
  return own;
}

bool tileSizeFits(long long tileSize) {
  return tileSize > kBlocFilePixels && tileSize <= kLargestTile &&
         (tileSize - 1) % kBlocFilePixels == 0;
}

TilePlan planTiles(std::int32_t width, std::int32_t height, std::int32_t tileSize) {
  const std::int64_t step = tileSize - 1;
  const auto tiles = [step](std::int64_t side) {
    return static_cast<std::int32_t>((side - 1 + step - 1) / step);
  };
  return {width, height, tileSize, tiles(width), tiles(height)};
}

void checkWorldSize(const Texture& alt) {
  if (!worldSideFits(alt.fileWidth))
    throw Failure(ErrorKind::kSize, "largeur incorrect\n", worldSizeHint(alt));
  if (!worldSideFits(alt.fileHeight))
    throw Failure(ErrorKind::kSize, "hauteur incorrect\n", worldSizeHint(alt));
}

std::string tileFileName(const std::string& base, std::int32_t column, std::int32_t row) {
  return base + "_" + std::to_string(column) + "_" + std::to_string(row) + ".map";
}

}  // namespace quorvel
