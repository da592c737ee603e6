#include "inspect/gltf_mesh.h"

#include <algorithm>
#include <cmath>
#include <utility>

#include "failure.h"
#include "inspect/gltf_repair.h"
#include "inspect/mesh_simplifier.h"
#include "printf_text.h"

namespace quorvel {
namespace {

// The largest mesh handed to the simplifier. A bigger map is first thinned to a grid of real
// pixels of this many triangles, which keeps a 5001 x 5001 map within a minute and a few
// hundred megabytes.
constexpr std::int64_t kSimplifierInput = 4'000'000;

struct Pixel {
  std::int64_t x;
  std::int64_t y;
};

Pixel pixelOf(const HeightField& field, std::uint32_t index) {
  return {index % static_cast<std::uint32_t>(field.width),
          index / static_cast<std::uint32_t>(field.width)};
}

// The positions as the export writes them.
std::vector<float> simplifierPositions(const HeightField& field, const TerrainMesh& mesh) {
  std::vector<float> positions;
  positions.reserve(3 * mesh.pixels.size());
  for (const std::uint32_t pixel : mesh.pixels) {
    const Pixel p = pixelOf(field, pixel);
    positions.insert(positions.end(), {static_cast<float>(10 * field.stride * p.x),
                                       field.heights[pixel],
                                       static_cast<float>(-10 * field.stride * p.y)});
  }
  return positions;
}

// Drops the vertices no triangle uses; the others keep their order.
TerrainMesh withUsedVerticesOnly(TerrainMesh mesh) {
  constexpr std::uint32_t kUnused = 0xFFFFFFFF;
  std::vector<std::uint32_t> renumber(mesh.pixels.size(), kUnused);
  for (const std::uint32_t vertex : mesh.indices) renumber[vertex] = 0;
  std::uint32_t next = 0;
  for (std::size_t vertex = 0; vertex < renumber.size(); ++vertex) {
    if (renumber[vertex] == kUnused) continue;
    renumber[vertex] = next;
    mesh.pixels[next++] = mesh.pixels[vertex];
  }
  mesh.pixels.resize(next);
  for (std::uint32_t& vertex : mesh.indices) vertex = renumber[vertex];
  return mesh;
}

}  // namespace

std::int64_t cellCount(const HeightField& field) {
  constexpr std::int64_t kCellsPerBlocFile =
      MapCell::kBlocFileBytes / MapCell::kBytes;
  return std::int64_t{field.largeur} * field.hauteur * kCellsPerBlocFile;
}

HeightField readHeightField(MapCells& cells) {
  if (cells.cellCount() == 0) {
    throw Failure(ErrorKind::kFormat,
                  cells.path() + " holds no MapCell to draw: the file has only its header\n");
  }
  HeightField field;
  field.largeur = cells.largeur();
  field.hauteur = cells.hauteur();
  field.width = MapCell::kBlocFilePixels * cells.largeur() + 1;
  field.height = MapCell::kBlocFilePixels * cells.hauteur() + 1;
  const std::size_t count =
      static_cast<std::size_t>(field.width) * static_cast<std::size_t>(field.height);
  field.heights.resize(count);
  field.colors.resize(count);
  // File order, so that the height refused is the first the file holds.
  MapCell cell;
  while (cells.next(cell)) {
    for (int k = 0; k < MapCell::kVertices; ++k) {
      if (!cells.holds(cell, k)) continue;
      const auto [x, y] = cell.vertexPixel(k);
      const std::size_t at = static_cast<std::size_t>(y) * field.width + x;
      const float height = cell.heights[k];
      if (!std::isfinite(height)) {
        throw Failure(
            ErrorKind::kRange,
            cells.path() +
                printfText(" has a height of %g at pixel (%d, %d), which glTF cannot hold\n",
                           static_cast<double>(height), x, y));
      }
      field.heights[at] = height;
      field.colors[at] = cell.colours[k];
    }
  }
  return field;
}

TerrainMesh cellFanMesh(const HeightField& field) {
  TerrainMesh mesh;
  mesh.pixels.resize(static_cast<std::size_t>(field.width) * field.height);
  for (std::size_t i = 0; i < mesh.pixels.size(); ++i)
    mesh.pixels[i] = static_cast<std::uint32_t>(i);
  const std::int64_t cells = cellCount(field);
  mesh.indices.resize(static_cast<std::size_t>(cells) * MapCell::kTriangles * 3);
  std::uint32_t* out = mesh.indices.data();
  for (std::int64_t cell = 0; cell < cells; ++cell) {
    const MapCellPlace place = mapCellPlace(field.largeur, cell);
    std::array<std::uint32_t, MapCell::kVertices> ring;
    for (int k = 0; k < MapCell::kVertices; ++k) {
      const auto [x, y] = place.vertexPixel(k);
      ring[k] = static_cast<std::uint32_t>(y * field.width + x);
    }
    for (int k = 1; k <= MapCell::kTriangles; ++k) {
      *out++ = ring[0];
      *out++ = ring[k];
      *out++ = ring[k % MapCell::kTriangles + 1];
    }
  }
  return mesh;
}

TerrainMesh pixelGridMesh(const HeightField& field, std::int64_t maxTriangles) {
  const std::int64_t sideX = field.width - 1;
  const std::int64_t sideY = field.height - 1;
  // Quads across and down in proportion to the sides, then fewer until the budget holds.
  const double scale = std::sqrt(static_cast<double>(maxTriangles) / (2.0 * sideX * sideY));
  std::int64_t quadsX =
      std::clamp(static_cast<std::int64_t>(sideX * scale), std::int64_t{1}, sideX);
  std::int64_t quadsY =
      std::clamp(static_cast<std::int64_t>(sideY * scale), std::int64_t{1}, sideY);
  while (2 * quadsX * quadsY > maxTriangles) {
    if (quadsX >= quadsY && quadsX > 1) {
      --quadsX;
    } else {
      --quadsY;
    }
  }
  TerrainMesh mesh;
  mesh.kind = MeshKind::kPixelGrid;
  for (std::int64_t j = 0; j <= quadsY; ++j) {
    const std::int64_t y = j * sideY / quadsY;
    for (std::int64_t i = 0; i <= quadsX; ++i) {
      mesh.pixels.push_back(static_cast<std::uint32_t>(y * field.width + i * sideX / quadsX));
    }
  }
  const auto vertex = [quadsX](std::int64_t i, std::int64_t j) {
    return static_cast<std::uint32_t>(j * (quadsX + 1) + i);
  };
  mesh.indices.reserve(static_cast<std::size_t>(6 * quadsX * quadsY));
  for (std::int64_t j = 0; j < quadsY; ++j) {
    for (std::int64_t i = 0; i < quadsX; ++i) {
      mesh.indices.insert(mesh.indices.end(),
                          {vertex(i, j), vertex(i + 1, j), vertex(i + 1, j + 1), vertex(i, j),
                           vertex(i + 1, j + 1), vertex(i, j + 1)});
    }
  }
  return mesh;
}

bool tilesRectangle(const HeightField& field, const TerrainMesh& mesh) {
  const std::int64_t sideX = field.width - 1;
  const std::int64_t sideY = field.height - 1;
  // Every edge once per triangle, as (smaller vertex, larger vertex, direction): a shared
  // edge is walked once each way, so only the outline is left when the directions cancel.
  std::vector<std::uint64_t> edges;
  edges.reserve(mesh.indices.size());
  std::int64_t doubleArea = 0;
  for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
    const std::uint32_t* corner = &mesh.indices[t];
    const Pixel a = pixelOf(field, mesh.pixels[corner[0]]);
    const Pixel b = pixelOf(field, mesh.pixels[corner[1]]);
    const Pixel c = pixelOf(field, mesh.pixels[corner[2]]);
    const std::int64_t cross = (b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x);
    if (cross <= 0) return false;
    doubleArea += cross;
    for (int k = 0; k < 3; ++k) {
      const std::uint64_t from = corner[k];
      const std::uint64_t to = corner[(k + 1) % 3];
      edges.push_back(from < to ? from << 33 | to << 1 : to << 33 | from << 1 | 1);
    }
  }
  if (doubleArea != 2 * sideX * sideY) return false;
  std::sort(edges.begin(), edges.end());
  for (std::size_t first = 0; first < edges.size();) {
    std::size_t end = first;
    std::int64_t net = 0;
    while (end < edges.size() && edges[end] >> 1 == edges[first] >> 1) {
      net += (edges[end] & 1) != 0 ? -1 : 1;
      ++end;
    }
    if (net != 0) {
      const Pixel u = pixelOf(field, mesh.pixels[edges[first] >> 33]);
      const Pixel v = pixelOf(field, mesh.pixels[edges[first] >> 1 & 0xFFFFFFFF]);
      const bool onSide =
          (u.x == v.x && (u.x == 0 || u.x == sideX)) || (u.y == v.y && (u.y == 0 || u.y == sideY));
      if (net * net != 1 || !onSide) return false;
    }
    first = end;
  }
  // The outline is a closed path along the sides that, with every triangle counted once
  // positively, winds once round each point it encloses: each point is covered once.
  return true;
}

std::string simplifyMesh(const HeightField& field, const TerrainMesh& input,
                         std::int64_t maxTriangles, TerrainMesh& out) {
  // Each attempt runs the simplifier over the whole mesh again: a few are enough, as the
  // folds it leaves are rare and local.
  constexpr int kAttempts = 6;
  const std::vector<float> positions = simplifierPositions(field, input);
  const std::size_t inputTriangles = input.indices.size() / 3;
  std::vector<char> frozen(inputTriangles, 0);
  for (int attempt = 0; attempt < kAttempts; ++attempt) {
    std::vector<std::uint32_t> open;
    std::vector<std::uint32_t> kept;
    open.reserve(input.indices.size());
    for (std::size_t t = 0; t < inputTriangles; ++t) {
      std::vector<std::uint32_t>& to = frozen[t] ? kept : open;
      for (int k = 0; k < 3; ++k) to.push_back(input.indices[3 * t + k]);
    }
    const std::int64_t room = maxTriangles - static_cast<std::int64_t>(kept.size() / 3);
    if (room < 1) return "the triangles kept round its folds fill the budget";
    TerrainMesh mesh;
    mesh.kind = MeshKind::kSimplified;
    mesh.pixels = input.pixels;
    // The frozen patches' outlines are open borders of what the simplifier sees: it keeps
    // them, so the kept triangles fit back in.
    mesh.indices = simplifyTriangles(positions, open, static_cast<std::size_t>(room));
    if (mesh.triangles() > room) {
      return printfText("the simplifier stopped at %lld triangles",
                        static_cast<long long>(mesh.triangles() + kept.size() / 3));
    }
    mesh.indices.insert(mesh.indices.end(), kept.begin(), kept.end());
    if (repairFolds(field, mesh) && tilesRectangle(field, mesh)) {
      out = withUsedVerticesOnly(std::move(mesh));
      return "";
    }
    // Freeze the input's triangles round every vertex of a triangle still turned over or
    // flat seen from above, a ring wider at each attempt.
    std::vector<char> marked(input.pixels.size(), 0);
    bool any = false;
    for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
      const Pixel a = pixelOf(field, mesh.pixels[mesh.indices[t]]);
      const Pixel b = pixelOf(field, mesh.pixels[mesh.indices[t + 1]]);
      const Pixel c = pixelOf(field, mesh.pixels[mesh.indices[t + 2]]);
      if ((b.x - a.x) * (c.y - a.y) - (b.y - a.y) * (c.x - a.x) > 0) continue;
      any = true;
      for (int k = 0; k < 3; ++k) marked[mesh.indices[t + k]] = 1;
    }
    if (!any) return "its triangles overlap";
    for (int ring = 0; ring <= attempt; ++ring) {
      std::vector<char> grown = marked;
      for (std::size_t t = 0; t < inputTriangles; ++t) {
        const std::uint32_t* v = &input.indices[3 * t];
        if (!marked[v[0]] && !marked[v[1]] && !marked[v[2]]) continue;
        frozen[t] = 1;
        grown[v[0]] = grown[v[1]] = grown[v[2]] = 1;
      }
      marked.swap(grown);
    }
  }
  return printfText("folds were left after %d attempts", kAttempts);
}

double coarsenUntil(const HeightField& field, double least, double measured, TerrainMesh& mesh,
                    const std::function<double(const TerrainMesh&)>& measure) {
  for (int attempt = 0; attempt < 8 && measured < least; ++attempt) {
    TerrainMesh coarser;
    if (!simplifyMesh(field, mesh, mesh.triangles() / 2, coarser).empty()) break;
    mesh = std::move(coarser);
    measured = measure(mesh);
  }
  return measured;
}

TerrainMesh terrainMesh(const HeightField& field, std::int64_t maxTriangles) {
  const std::int64_t mapTriangles = cellCount(field) * MapCell::kTriangles;
  if (mapTriangles <= maxTriangles) return cellFanMesh(field);
  if (maxTriangles >= kSimplifierInput) {
    TerrainMesh grid = pixelGridMesh(field, maxTriangles);
    grid.fallback = printfText("a budget of %lld triangles or more is met by a grid of pixels",
                               static_cast<long long>(kSimplifierInput));
    return grid;
  }
  const TerrainMesh input = mapTriangles <= kSimplifierInput
                                ? cellFanMesh(field)
                                : pixelGridMesh(field, kSimplifierInput);
  TerrainMesh simplified;
  const std::string failure = simplifyMesh(field, input, maxTriangles, simplified);
  if (failure.empty()) return simplified;
  TerrainMesh grid = pixelGridMesh(field, maxTriangles);
  grid.fallback = "simplification gave up: " + failure;
  return grid;
}

}  // namespace quorvel
