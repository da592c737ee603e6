#include "inspect/tileset_frame.h"

namespace quorvel {

Point3 LocalFrame::local(const Point3& p) const {
  const Point3 d{p[0] - origin[0], p[1] - origin[1], p[2] - origin[2]};
  Point3 q{};
  for (int k = 0; k < 3; ++k) q[k] = (axes[k][0] * d[0] + axes[k][1] * d[1]) + axes[k][2] * d[2];
  return q;
}

Point3 LocalFrame::global(const Point3& q) const {
  Point3 p{};
  for (int i = 0; i < 3; ++i) {
    p[i] = origin[i] + ((axes[0][i] * q[0] + axes[1][i] * q[1]) + axes[2][i] * q[2]);
  }
  return p;
}

struct TerrainPlacement::State {};

TerrainPlacement::TerrainPlacement(const std::optional<WorldGeoreference>&, double, double,
                                   std::int64_t, std::int64_t)
    : state_(std::make_unique<State>()) {}

TerrainPlacement::~TerrainPlacement() = default;

bool TerrainPlacement::georeferenced() const { return false; }

void TerrainPlacement::place(std::vector<Point3>& points) const {
  for (Point3& p : points) p = {10 * p[0], 10 * p[1], p[2]};
}

LocalFrame TerrainPlacement::frameAt(double x, double y) const {
  LocalFrame frame;
  frame.origin = {10 * x, 10 * y, 0};
  return frame;
}

}  // namespace quorvel
