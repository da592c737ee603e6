#pragma once

#include <cstdint>

#include "inspect/gltf_mesh.h"

namespace quorvel {

// Heights of a rectangle of pixels, row y0 first, width a row.
struct HeightWindow {
  std::int64_t x0 = 0;
  std::int64_t y0 = 0;
  std::int64_t width = 0;
  std::int64_t height = 0;
  const float* heights = nullptr;
};

// A corner of a mesh triangle: its pixel and its height.
struct MeshCorner {
  std::int64_t x = 0;
  std::int64_t y = 0;
  double height = 0;
};

// The largest vertical distance between the triangle, counter-clockwise with y drawn upwards,
// and the window's pixels it covers (its sides included); 0 when it covers none.
[[nodiscard]] double triangleError(const MeshCorner& a, const MeshCorner& b, const MeshCorner& c,
                                   const HeightWindow& window);

// The largest vertical distance between the mesh and every pixel of the field, in the
// field's height units: the error of a simplified mesh, 0 for the map's own triangles.
[[nodiscard]] double maxVerticalError(const HeightField& field, const TerrainMesh& mesh);

}  // namespace quorvel
