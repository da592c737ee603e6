#include "map/normals.h"

#include <cstddef>
#include <cstdint>

namespace quorvel {
namespace {

int altitude(const Texture& alt, int x, int y) {
  const std::size_t index =
      (static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * alt.width) * alt.bytesPerPixel;
  return alt.pixels[index];
}

}  // namespace

void computeFaceNormals(std::array<Vector3, 8>& out, const Texture& alt, float zScaleFactor,
                        int cx, int cy) {
  const int h = altitude(alt, cx, cy);
  for (int kind = 0; kind < kFanKinds; ++kind) {
    const TriangleKind& triangle = kTriangleKinds[kind];
    out[kind] = triangleNormal(kind, altitude(alt, cx + triangle.first.dx, cy + triangle.first.dy) - h,
                               altitude(alt, cx + triangle.second.dx, cy + triangle.second.dy) - h,
                               zScaleFactor);
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
  out = vertexNormalOf(
      x, y, alt.width, alt.height, [&alt](int px, int py) { return altitude(alt, px, py); },
      [zScaleFactor](int kind, int rise1, int rise2) {
        return triangleNormal(kind, rise1, rise2, zScaleFactor);
      });
}

}  // namespace quorvel
