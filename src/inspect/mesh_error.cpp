#include "inspect/mesh_error.h"

#include <algorithm>
#include <cmath>

namespace quorvel {
namespace {

// Twice the signed area of (a, b, p): positive when p lies left of a to b; exact.
std::int64_t side(const MeshCorner& a, const MeshCorner& b, std::int64_t x, std::int64_t y) {
  return (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
}

}  // namespace

double triangleError(const MeshCorner& a, const MeshCorner& b, const MeshCorner& c,
                     const HeightWindow& window) {
  const std::int64_t area = side(a, b, c.x, c.y);
  if (area <= 0) return 0;
  const std::int64_t left = std::max(std::min({a.x, b.x, c.x}), window.x0);
  const std::int64_t right = std::min(std::max({a.x, b.x, c.x}), window.x0 + window.width - 1);
  const std::int64_t bottom = std::max(std::min({a.y, b.y, c.y}), window.y0);
  const std::int64_t top = std::min(std::max({a.y, b.y, c.y}), window.y0 + window.height - 1);
  double worst = 0;
  for (std::int64_t y = bottom; y <= top; ++y) {
    const float* row = window.heights + (y - window.y0) * window.width - window.x0;
    for (std::int64_t x = left; x <= right; ++x) {
      // Barycentric weights in whole numbers: a pixel on a side is inside, exactly.
      const std::int64_t wa = side(b, c, x, y);
      const std::int64_t wb = side(c, a, x, y);
      const std::int64_t wc = side(a, b, x, y);
      if (wa < 0 || wb < 0 || wc < 0) continue;
      const double surface =
          (static_cast<double>(wa) * a.height + static_cast<double>(wb) * b.height +
           static_cast<double>(wc) * c.height) /
          static_cast<double>(area);
      worst = std::max(worst, std::abs(surface - double{row[x]}));
    }
  }
  return worst;
}

double maxVerticalError(const HeightField& field, const TerrainMesh& mesh) {
  const HeightWindow window{0, 0, field.width, field.height, field.heights.data()};
  const auto width = static_cast<std::uint32_t>(field.width);
  const auto corner = [&](std::uint32_t vertex) {
    const std::uint32_t pixel = mesh.pixels[vertex];
    return MeshCorner{pixel % width, pixel / width, double{field.heights[pixel]}};
  };
  double worst = 0;
  for (std::size_t t = 0; t + 2 < mesh.indices.size(); t += 3) {
    worst = std::max(worst, triangleError(corner(mesh.indices[t]), corner(mesh.indices[t + 1]),
                                          corner(mesh.indices[t + 2]), window));
  }
  return worst;
}

}  // namespace quorvel
