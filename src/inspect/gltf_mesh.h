#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <string>
#include <vector>

#include "quorvel/map_cells.h"

namespace quorvel {

// The terrain one vertex per pixel, row y = 0 first: each pixel's height and colour come from
// the record that holds it (MapCells::holds), as --cell and the pictures read them.
struct HeightField {
  int largeur = 0;
  int hauteur = 0;
  int width = 0;   // 50 largeur + 1
  int height = 0;  // 50 hauteur + 1
  int stride = 1;  // pixels of the terrain between neighbouring ones here, for a thinned field
  std::vector<float> heights;
  std::vector<std::array<std::uint8_t, 3>> colors;
};

[[nodiscard]] std::int64_t cellCount(const HeightField& field);

// Throws when the map holds no record, or when a height is NaN or infinite: glTF numbers
// are finite.
[[nodiscard]] HeightField readHeightField(MapCells& cells);

enum class MeshKind { kCellFans, kSimplified, kPixelGrid };

// Triangles over pixels of a height field. Vertex i is pixel pixels[i], that is y * width + x;
// indices hold three vertices per triangle, counter-clockwise with y drawn upwards.
struct TerrainMesh {
  MeshKind kind = MeshKind::kCellFans;
  std::vector<std::uint32_t> pixels;
  std::vector<std::uint32_t> indices;
  std::string fallback;  // for a grid chosen for want of a simplified mesh: why

  [[nodiscard]] std::int64_t triangles() const {
    return static_cast<std::int64_t>(indices.size() / 3);
  }
};

inline constexpr std::int64_t kDefaultMaxTriangles = 2'000'000;

// Every pixel a vertex, and the map's own triangles: each MapCell's fan of eight in the
// record's triangle order, the cells in file order.
[[nodiscard]] TerrainMesh cellFanMesh(const HeightField& field);

// Real pixels on a grid of columns and rows spread as evenly as whole pixels allow, the
// border ones included, two triangles per quad: at most maxTriangles (at least 2) triangles
// that tile the terrain.
[[nodiscard]] TerrainMesh pixelGridMesh(const HeightField& field, std::int64_t maxTriangles);

// True when the triangles, seen from above, cover the terrain rectangle exactly once: every
// one turns counter-clockwise, the edges left unpaired lie on the rectangle's sides, and the
// areas add up to the rectangle's.
[[nodiscard]] bool tilesRectangle(const HeightField& field, const TerrainMesh& mesh);

// At most maxTriangles triangles of input's vertices that tile the rectangle as input does,
// its outline kept: the simplifier's collapses, their folds mended by repairFolds. Where folds
// remain, the input's triangles round them are kept as they are and the rest is simplified
// again, a few times. Returns "" and sets out on success, else why it gave up.
[[nodiscard]] std::string simplifyMesh(const HeightField& field, const TerrainMesh& input,
                                       std::int64_t maxTriangles, TerrainMesh& out);

// Simplifies mesh further with simplifyMesh, its outline kept, halving its triangles each time
// (eight times at most), while measure(mesh) stays below least; stops early when the
// simplifier gives up. measured is measure(mesh) as given; returns measure(mesh) at the end.
[[nodiscard]] double coarsenUntil(const HeightField& field, double least, double measured,
                                  TerrainMesh& mesh,
                                  const std::function<double(const TerrainMesh&)>& measure);

// What the export draws: cellFanMesh when the map's triangles fit in maxTriangles. Otherwise
// simplifyMesh of the map's triangles (of a pixel grid of a few million triangles, for a
// large map) with only the vertices in use; when that gives up, or the budget is as large as
// that grid, pixelGridMesh, its fallback saying why.
[[nodiscard]] TerrainMesh terrainMesh(const HeightField& field, std::int64_t maxTriangles);

}  // namespace quorvel
