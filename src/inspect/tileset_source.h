#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "inspect/gltf_mesh.h"
#include "quorvel/world.h"

namespace quorvel {

// A rectangle of a terrain's pixels, both ends included: columns x0 to x1, rows y0 to y1
// (row 0 the southern).
struct PixelSpan {
  std::int64_t x0 = 0;
  std::int64_t y0 = 0;
  std::int64_t x1 = 0;
  std::int64_t y1 = 0;
};

// The leaves of a tileset: the terrain cut every step pixels each way (the last column and row
// narrower), neighbours sharing their border pixels, as a world's tiles do.
struct LeafGrid {
  std::int64_t width = 0;  // the terrain's pixels
  std::int64_t height = 0;
  std::int64_t step = 0;  // a multiple of 50, so that leaves are whole blocFiles
  std::int64_t columns = 0;
  std::int64_t rows = 0;

  [[nodiscard]] PixelSpan leaf(std::int64_t column, std::int64_t row) const;
};

// The leaf step of a world whose tiles are tileSize pixels: the tiles themselves up to 501
// pixels, else the longest whole part of a tile, in blocFiles, of at most 500 pixels.
[[nodiscard]] std::int64_t leafStep(std::int64_t tileSize);

// What a tileset is cut from: a world's manifest or one map.
class TerrainSource {
 public:
  // A name ending in .world.json is a world's manifest, anything else a map. Throws a Failure.
  explicit TerrainSource(const std::string& fileName);
  ~TerrainSource();

  [[nodiscard]] const LeafGrid& grid() const;
  // The world's, when its manifest has one; a map has none.
  [[nodiscard]] const std::optional<WorldGeoreference>& georeference() const;
  [[nodiscard]] double zScaleFactor() const;
  [[nodiscard]] double seaLevel() const;

  // The leaf's pixels at full resolution, every height and colour as --gltf reads them; its
  // largeur and hauteur count its blocFiles. Threads may read leaves at once.
  [[nodiscard]] HeightField leaf(std::int64_t column, std::int64_t row) const;
  // What the leaf's pixels depend on, as text: the same text, the same pixels.
  [[nodiscard]] std::string leafFingerprint(std::int64_t column, std::int64_t row) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvel
