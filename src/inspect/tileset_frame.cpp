#include "inspect/tileset_frame.h"

#include <cmath>
#include <mutex>

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

struct TerrainPlacement::State {
  std::unique_ptr<WorldGlobe> globe;
  // The globe's transformation is one object of GDAL's, which two threads must not use at once.
  std::mutex globeUse;
  double zScaleFactor = 1;
};

TerrainPlacement::TerrainPlacement(const std::optional<WorldGeoreference>& georeference,
                                   double zScaleFactor, double seaLevel, std::int64_t width,
                                   std::int64_t height)
    : state_(std::make_unique<State>()) {
  state_->zScaleFactor = zScaleFactor;
  // A geotransform alone, without its reference system, says nowhere on the Earth.
  if (georeference && !georeference->crs.empty()) {
    state_->globe =
        std::make_unique<WorldGlobe>(*georeference, static_cast<std::int32_t>(width),
                                     static_cast<std::int32_t>(height), zScaleFactor, seaLevel);
  }
}

TerrainPlacement::~TerrainPlacement() = default;

bool TerrainPlacement::georeferenced() const { return state_->globe != nullptr; }

double TerrainPlacement::verticalScale() const {
  if (!georeferenced()) return 1;
  return state_->zScaleFactor != 0 ? 1 / std::abs(state_->zScaleFactor) : 0;
}

void TerrainPlacement::place(std::vector<Point3>& points) const {
  if (state_->globe) {
    const std::lock_guard<std::mutex> lock(state_->globeUse);
    state_->globe->place(points);
    return;
  }
  for (Point3& p : points) p = {10 * p[0], 10 * p[1], p[2]};
}

LocalFrame TerrainPlacement::frameAt(double x, double y) const {
  LocalFrame frame;
  if (!state_->globe) {
    frame.origin = {10 * x, 10 * y, 0};
    return frame;
  }
  std::vector<Point3> point{{x, y, 0}};
  place(point);
  frame.origin = point[0];
  // Longitude and geodetic latitude of the origin on WGS 84, by Bowring's iteration, for the
  // axes east, north and up (the ellipsoid's normal) there.
  constexpr double kA = 6378137.0;
  constexpr double kF = 1 / 298.257223563;
  constexpr double kE2 = kF * (2 - kF);
  const double X = frame.origin[0];
  const double Y = frame.origin[1];
  const double Z = frame.origin[2];
  const double longitude = std::atan2(Y, X);
  const double p = std::hypot(X, Y);
  double latitude = std::atan2(Z, p * (1 - kE2));
  for (int i = 0; i < 5; ++i) {
    const double sine = std::sin(latitude);
    const double n = kA / std::sqrt(1 - kE2 * sine * sine);
    latitude = std::atan2(Z + kE2 * n * sine, p);
  }
  const double sl = std::sin(longitude);
  const double cl = std::cos(longitude);
  const double sp = std::sin(latitude);
  const double cp = std::cos(latitude);
  frame.axes = {{{-sl, cl, 0}, {-sp * cl, -sp * sl, cp}, {cp * cl, cp * sl, sp}}};
  return frame;
}

}  // namespace quorvel
