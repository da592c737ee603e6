#include "map/normals.h"

#include <cstddef>
#include <cstdint>

#include "map/map_format.h"

namespace quorvel {
namespace {

int altitude(const Texture& alt, int x, int y) {
  const std::size_t index =
      (static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * alt.width) * alt.bytesPerPixel;
  return alt.pixels[index];
}

// The edge from pixel (x, y) to its neighbour (x + dx, y + dy). Only the altitude difference
// enters, so the sea level never does and z carries a single rounding.
Vector3 edge(const Texture& alt, float zScaleFactor, int x, int y, int dx, int dy) {
  const int rise = altitude(alt, x + dx, y + dy) - altitude(alt, x, y);
  return Vector3{static_cast<float>(10.0 * dx), static_cast<float>(10.0 * dy),
                 static_cast<float>(rise * double{zScaleFactor})};
}

Vector3 triangleNormal(const Texture& alt, float zScaleFactor, int x, int y, PixelOffset first,
                       PixelOffset second) {
  const Vector3 a = edge(alt, zScaleFactor, x, y, first.dx, first.dy);
  const Vector3 b = edge(alt, zScaleFactor, x, y, second.dx, second.dy);
  Vector3 normal;
  crossNormalized(normal, a, b);
  return normal;
}

constexpr std::array<PixelOffset, 4> kAxisRing{{{1, 0}, {0, 1}, {-1, 0}, {0, -1}}};

}  // namespace

void computeFaceNormals(std::array<Vector3, 8>& out, const Texture& alt, float zScaleFactor,
                        int cx, int cy) {
  for (int k = 1; k <= 8; ++k) {
    out[k - 1] = triangleNormal(alt, zScaleFactor, cx, cy, kCellVertices[k],
                                kCellVertices[k == 8 ? 1 : k + 1]);
  }
}

void writeFaceNormals(MapFile& file, const Texture& alt, float zScaleFactor, int cx, int cy) {
  std::array<Vector3, 8> normals;
  computeFaceNormals(normals, alt, zScaleFactor, cx, cy);
  for (const Vector3& n : normals) {
    file.putFloat(n.x);
    file.putFloat(n.y);
    file.putFloat(n.z);
  }
}

void computeVertexNormal(Vector3& out, const Texture& alt, float zScaleFactor, int x, int y) {
  // Cell corners and centres (same parity) meet eight cell triangles, edge midpoints four;
  // a triangle that would reach outside the image counts as the zero vector.
  const bool eightTriangles = x % 2 == y % 2;
  const PixelOffset* ring = eightTriangles ? &kCellVertices[1] : kAxisRing.data();
  const int count = eightTriangles ? 8 : 4;
  const auto inside = [&](PixelOffset o) {
    return x + o.dx >= 0 && x + o.dx < alt.width && y + o.dy >= 0 && y + o.dy < alt.height;
  };
  Vector3 normals[8];
  for (int k = 0; k < count; ++k) {
    const PixelOffset first = ring[k];
    const PixelOffset second = ring[(k + 1) % count];
    normals[k] = inside(first) && inside(second)
                     ? triangleNormal(alt, zScaleFactor, x, y, first, second)
                     : Vector3{0.0f, 0.0f, 0.0f};
  }
  // The first two are added to each other, not to a zero start: 0 + (-0) would lose a sign.
  Vector3 sum;
  add(sum, normals[0], normals[1]);
  for (int k = 2; k < count; ++k) add(sum, sum, normals[k]);
  normalize(sum);
  out = sum;
}

}  // namespace quorvel
