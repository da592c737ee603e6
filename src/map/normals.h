#pragma once

#include <array>

#include "map/map_format.h"
#include "math/vector3.h"

namespace quorvel {

// A triangle with a corner at pixel c and the two others at c + first and c + second; its
// normal is the unit cross product of the edge to first with the edge to second.
struct TriangleKind {
  PixelOffset first;
  PixelOffset second;
};

// Every triangle the terrain meets at a pixel is one of twelve kinds: kinds 0 to 7 are a
// MapCell's fan (triangle k + 1 round the centre, also the eight triangles at a pixel whose
// coordinates have the same parity); kinds 8 to 11 the four round a pixel of mixed parity.
inline constexpr int kFanKinds = 8;
inline constexpr int kAxisKinds = 4;
inline constexpr int kTriangleKindCount = kFanKinds + kAxisKinds;
inline constexpr std::array<TriangleKind, kTriangleKindCount> kTriangleKinds{{
    {{1, 0}, {1, 1}},
    {{1, 1}, {0, 1}},
    {{0, 1}, {-1, 1}},
    {{-1, 1}, {-1, 0}},
    {{-1, 0}, {-1, -1}},
    {{-1, -1}, {0, -1}},
    {{0, -1}, {1, -1}},
    {{1, -1}, {1, 0}},
    {{1, 0}, {0, 1}},
    {{0, 1}, {-1, 0}},
    {{-1, 0}, {0, -1}},
    {{0, -1}, {1, 0}},
}};

// A MapCell's triangle k + 1 is (vertex 0, vertex k + 1, vertex k + 2), vertex 9 meaning
// vertex 1: the fan kinds must run round the cell in the vertex order of the file.
[[nodiscard]] constexpr bool fanFollowsCellVertices() {
  const auto same = [](PixelOffset a, PixelOffset b) { return a.dx == b.dx && a.dy == b.dy; };
  for (int k = 0; k < kFanKinds; ++k) {
    if (!same(kTriangleKinds[k].first, kCellVertices[k + 1]) ||
        !same(kTriangleKinds[k].second, kCellVertices[(k + 1) % kFanKinds + 1])) {
      return false;
    }
  }
  return true;
}
static_assert(fanFollowsCellVertices());

// The edge along step whose end is rise above its start, rise being the difference of two
// altitude samples taken in double (exact for every sample type but a 64-bit float). Only the
// difference enters, so the sea level never does and z carries a single rounding.
[[nodiscard]] inline Vector3 edgeVector(PixelOffset step, double rise, float zScaleFactor) {
  return Vector3{static_cast<float>(10.0 * step.dx), static_cast<float>(10.0 * step.dy),
                 roundToFloat(rise * double{zScaleFactor})};
}

// The normal of a triangle of the given kind whose corners first and second stand rise1 and
// rise2 altitude steps above its corner c.
[[nodiscard]] inline Vector3 triangleNormal(int kind, double rise1, double rise2,
                                            float zScaleFactor) {
  const TriangleKind& triangle = kTriangleKinds[kind];
  Vector3 normal;
  crossNormalized(normal, edgeVector(triangle.first, rise1, zScaleFactor),
                  edgeVector(triangle.second, rise2, zScaleFactor));
  return normal;
}

// The sum of a pixel's triangle normals, in ring order: each partial sum is rounded, so the
// order shows in the bits. The first two are added to each other, not to a zero start:
// 0 + (-0) would lose a sign.
[[nodiscard]] inline Vector3 sumInRingOrder(const Vector3* normals, int count) {
  Vector3 sum;
  add(sum, normals[0], normals[1]);
  for (int k = 2; k < count; ++k) add(sum, sum, normals[k]);
  return sum;
}

// The vertex normal at pixel (x, y) of a width x height altitude grid, before it is
// normalised: the sum of the normals of the triangles that meet there, in ring order. Cell
// corners and centres (same parity) meet eight cell triangles, edge midpoints four; a
// triangle that would reach outside the grid counts as the zero vector and none of its pixels
// is read. altitude(x, y) gives an altitude sample, normalOf(kind, rise1, rise2) a triangle
// normal, so that callers choose how both are found; the result is the same bits either way.
template <class Altitude, class NormalOf>
[[nodiscard]] Vector3 vertexNormalSumOf(int x, int y, int width, int height,
                                        const Altitude& altitude, const NormalOf& normalOf) {
  const bool sameParity = x % 2 == y % 2;
  const int firstKind = sameParity ? 0 : kFanKinds;
  const int count = sameParity ? kFanKinds : kAxisKinds;
  const auto inside = [&](PixelOffset o) {
    return x + o.dx >= 0 && x + o.dx < width && y + o.dy >= 0 && y + o.dy < height;
  };
  const auto h = altitude(x, y);
  Vector3 normals[kFanKinds];
  for (int k = 0; k < count; ++k) {
    const TriangleKind& triangle = kTriangleKinds[firstKind + k];
    normals[k] = inside(triangle.first) && inside(triangle.second)
                     ? normalOf(firstKind + k,
                                altitude(x + triangle.first.dx, y + triangle.first.dy) - h,
                                altitude(x + triangle.second.dx, y + triangle.second.dy) - h)
                     : Vector3{0.0f, 0.0f, 0.0f};
  }
  return sumInRingOrder(normals, count);
}

}  // namespace quorvel
