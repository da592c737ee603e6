#include "inspect/tileset_source.h"

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <mutex>

#include "failure.h"
#include "inspect/fingerprint.h"
#include "printf_text.h"
#include "quorvel/map_cells.h"
#include "quorvel/quorvel.h"

namespace quorvel {
namespace {

constexpr std::int64_t kLeafPixels = 501;

// The pixels of span cut from field, whose pixel (0, 0) is the terrain's (originX, originY).
HeightField cut(const HeightField& field, std::int64_t originX, std::int64_t originY,
                const PixelSpan& span) {
  HeightField leaf;
  leaf.width = static_cast<int>(span.x1 - span.x0 + 1);
  leaf.height = static_cast<int>(span.y1 - span.y0 + 1);
  leaf.largeur = (leaf.width - 1) / MapCell::kBlocFilePixels;
  leaf.hauteur = (leaf.height - 1) / MapCell::kBlocFilePixels;
  leaf.heights.resize(static_cast<std::size_t>(leaf.width) * leaf.height);
  leaf.colors.resize(leaf.heights.size());
  for (int y = 0; y < leaf.height; ++y) {
    const std::size_t from = static_cast<std::size_t>(span.y0 - originY + y) * field.width +
                             static_cast<std::size_t>(span.x0 - originX);
    const std::size_t to = static_cast<std::size_t>(y) * leaf.width;
    std::copy_n(field.heights.begin() + from, leaf.width, leaf.heights.begin() + to);
    std::copy_n(field.colors.begin() + from, leaf.width, leaf.colors.begin() + to);
  }
  return leaf;
}

HeightField readMap(const std::string& fileName) {
  MapCells cells(fileName);
  return readHeightField(cells);
}

}  // namespace

PixelSpan LeafGrid::leaf(std::int64_t column, std::int64_t row) const {
  return {column * step, row * step, std::min(width - 1, (column + 1) * step),
          std::min(height - 1, (row + 1) * step)};
}

std::int64_t leafStep(std::int64_t tileSize) {
  const std::int64_t blocFiles = (tileSize - 1) / MapCell::kBlocFilePixels;
  if (tileSize <= kLeafPixels) return tileSize - 1;
  std::int64_t parts = (tileSize - 1 + kLeafPixels - 2) / (kLeafPixels - 1);
  while (blocFiles % parts != 0) ++parts;
  return (tileSize - 1) / parts;
}

struct TerrainSource::State {
  LeafGrid grid;
  std::optional<WorldGeoreference> georeference;
  double zScaleFactor = 1;
  double seaLevel = 0;
  // A map, read whole.
  HeightField map;
  // A world: its tiles by index, and the last one read, which the leaves cut from one tile
  // share; threads may read leaves at once.
  std::filesystem::path directory;
  std::int64_t tileSize = 0;
  std::int64_t tileColumns = 0;
  std::vector<WorldTile> tiles;
  mutable std::mutex cacheUse;
  mutable std::int64_t cachedTile = -1;
  mutable std::shared_ptr<const HeightField> cached;

  const WorldTile& tileOf(const PixelSpan& span) const {
    const std::int64_t column = span.x0 / (tileSize - 1);
    const std::int64_t row = span.y0 / (tileSize - 1);
    return tiles.at(static_cast<std::size_t>(row * tileColumns + column));
  }
};

TerrainSource::TerrainSource(const std::string& fileName) : state_(std::make_unique<State>()) {
  State& s = *state_;
  if (!fileName.ends_with(".world.json")) {
    s.map = readMap(fileName);
    s.grid = {s.map.width, s.map.height, kLeafPixels - 1, 0, 0};
  } else {
    const WorldManifest world = readWorldManifest(fileName);
    s.directory = std::filesystem::path(fileName).parent_path();
    s.tileSize = world.tileSize;
    s.tileColumns = world.columns;
    s.tiles = world.tiles;
    std::sort(s.tiles.begin(), s.tiles.end(), [](const WorldTile& a, const WorldTile& b) {
      return a.row != b.row ? a.row < b.row : a.column < b.column;
    });
    if (static_cast<std::int64_t>(s.tiles.size()) != std::int64_t{world.columns} * world.rows) {
      throw Failure(ErrorKind::kFormat, fileName + " does not list every tile of its world\n");
    }
    s.georeference = world.georeference;
    s.zScaleFactor = world.settings.zScaleFactor;
    s.seaLevel = world.settings.seaLevel;
    s.grid = {world.width, world.height, leafStep(world.tileSize), 0, 0};
  }
  s.grid.columns = (s.grid.width - 2) / s.grid.step + 1;
  s.grid.rows = (s.grid.height - 2) / s.grid.step + 1;
}

TerrainSource::~TerrainSource() = default;

const LeafGrid& TerrainSource::grid() const { return state_->grid; }
const std::optional<WorldGeoreference>& TerrainSource::georeference() const {
  return state_->georeference;
}
double TerrainSource::zScaleFactor() const { return state_->zScaleFactor; }
double TerrainSource::seaLevel() const { return state_->seaLevel; }

HeightField TerrainSource::leaf(std::int64_t column, std::int64_t row) const {
  const State& s = *state_;
  const PixelSpan span = s.grid.leaf(column, row);
  if (s.tiles.empty()) return cut(s.map, 0, 0, span);
  const WorldTile& tile = s.tileOf(span);
  const std::int64_t index = std::int64_t{tile.row} * s.tileColumns + tile.column;
  std::shared_ptr<const HeightField> pixels;
  {
    const std::lock_guard<std::mutex> lock(s.cacheUse);
    if (s.cachedTile == index) pixels = s.cached;
  }
  if (!pixels) {
    // Read outside the lock, so that another thread's leaf of another tile need not wait.
    pixels = std::make_shared<const HeightField>(readMap((s.directory / tile.file).string()));
    if (pixels->width != tile.width || pixels->height != tile.height) {
      throw Failure(ErrorKind::kFormat,
                    (s.directory / tile.file).string() + " is not the tile its manifest records\n");
    }
    const std::lock_guard<std::mutex> lock(s.cacheUse);
    s.cached = pixels;
    s.cachedTile = index;
  }
  return cut(*pixels, tile.x0, tile.y0, span);
}

std::string TerrainSource::leafFingerprint(std::int64_t column, std::int64_t row) const {
  const State& s = *state_;
  const PixelSpan span = s.grid.leaf(column, row);
  const std::string where = printfText(
      "%lld %lld %lld %lld ", static_cast<long long>(span.x0), static_cast<long long>(span.y0),
      static_cast<long long>(span.x1), static_cast<long long>(span.y1));
  if (!s.tiles.empty()) {
    const WorldTile& tile = s.tileOf(span);
    return where + tile.file + " " + tile.sha256;
  }
  const HeightField pixels = cut(s.map, 0, 0, span);
  Fingerprint digest;
  digest.update(pixels.heights.data(), pixels.heights.size() * sizeof(float));
  digest.update(pixels.colors.data(), pixels.colors.size() * 3);
  return where + digest.text();
}

}  // namespace quorvel
