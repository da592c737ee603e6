#include "reference_light.h"

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>
#include <numbers>
#include <vector>

#include "map/baked_light.h"
#include "reference_map.h"

namespace quorvel::test {
namespace {

double heightAt(const Texture& alt, float zScaleFactor, int x, int y) {
  return altitudeSample(alt, x, y) * double{zScaleFactor};
}

}  // namespace

double skyViewFactor(const Texture& alt, float zScaleFactor, int directions, int x, int y) {
  struct Direction {
    int dx;
    int dy;
    double weight;
  };
  constexpr double kPi = std::numbers::pi;
  const double axis = std::atan(0.5) / (2 * kPi);
  const double diagonal = (kPi / 4 - std::atan(0.5)) / (2 * kPi);
  std::vector<Direction> table;
  if (directions == 8) {
    table = {{1, 0, 0.125},  {1, 1, 0.125},   {0, 1, 0.125},  {-1, 1, 0.125},
             {-1, 0, 0.125}, {-1, -1, 0.125}, {0, -1, 0.125}, {1, -1, 0.125}};
  } else {
    table = {{1, 0, axis},     {1, 1, diagonal},   {0, 1, axis},    {-1, 1, diagonal},
             {-1, 0, axis},    {-1, -1, diagonal}, {0, -1, axis},   {1, -1, diagonal},
             {2, 1, 0.0625},   {1, 2, 0.0625},     {-1, 2, 0.0625}, {-2, 1, 0.0625},
             {-2, -1, 0.0625}, {-1, -2, 0.0625},   {1, -2, 0.0625}, {2, -1, 0.0625}};
  }
  const double h = heightAt(alt, zScaleFactor, x, y);
  double sum = 0.0;
  for (const Direction& u : table) {
    const double length = std::sqrt(static_cast<double>(u.dx * u.dx + u.dy * u.dy));
    double steepest = 0.0;
    for (int k = 1;; ++k) {
      const int qx = x + k * u.dx;
      const int qy = y + k * u.dy;
      if (qx < 0 || qy < 0 || qx >= alt.width || qy >= alt.height) break;
      const double t = (heightAt(alt, zScaleFactor, qx, qy) - h) / (10.0 * k * length);
      steepest = std::max(steepest, t);
    }
    sum = sum + skyTerm(u.weight, steepest);
  }
  return 1.0 - sum;
}

double sunShare(const Texture& alt, float zScaleFactor, const Vector3& light, double sunDiameter,
                int x, int y) {
  const double lx = light.x;
  const double ly = light.y;
  const double lz = light.z;
  if (!std::isfinite(lx) || !std::isfinite(ly) || !std::isfinite(lz) || (lx == 0 && ly == 0)) {
    return 1.0;
  }
  const bool xMajor = std::abs(lx) >= std::abs(ly);
  const double major = std::max(std::abs(lx), std::abs(ly));
  const double sx = lx / major;
  const double sy = ly / major;
  const double length = std::sqrt(sx * sx + sy * sy);
  const double h = heightAt(alt, zScaleFactor, x, y);
  double steepest = -std::numeric_limits<double>::infinity();
  bool sampled = false;
  for (int k = 1;; ++k) {
    // One whole pixel a step on the major axis, interpolated on the minor one.
    const int along = (xMajor ? x : y) + k * static_cast<int>(xMajor ? sx : sy);
    const double m = (xMajor ? y : x) + k * (xMajor ? sy : sx);
    const int majorSize = xMajor ? alt.width : alt.height;
    const int minorSize = xMajor ? alt.height : alt.width;
    if (along < 0 || along >= majorSize || m < 0 || m > minorSize - 1) break;
    const int i0 = std::min(static_cast<int>(std::floor(m)), minorSize - 2);
    const double a = m - i0;
    const double h0 =
        xMajor ? heightAt(alt, zScaleFactor, along, i0) : heightAt(alt, zScaleFactor, i0, along);
    const double h1 = xMajor ? heightAt(alt, zScaleFactor, along, i0 + 1)
                             : heightAt(alt, zScaleFactor, i0 + 1, along);
    const double t = ((1 - a) * h0 + a * h1 - h) / (10.0 * k * length);
    sampled = true;
    steepest = std::max(steepest, t);
  }
  const double horizon = std::atan(sampled ? steepest : 0.0);
  const double sun = std::atan2(lz, std::sqrt(lx * lx + ly * ly));
  const double radius = (sunDiameter / 2) * (std::numbers::pi / 180);
  return std::clamp((sun - horizon) / (2 * radius) + 0.5, 0.0, 1.0);
}

std::vector<SkyVertex> wrappedHull(const std::vector<SkyVertex>& points) {
  std::vector<SkyVertex> hull;
  if (points.empty()) return hull;
  std::size_t at = 0;  // points come farthest first
  hull.push_back(points[0]);
  while (at + 1 < points.size()) {
    std::size_t best = at + 1;
    for (std::size_t k = at + 2; k < points.size(); ++k) {
      // Slopes from points[at] toward nearer points: rise over distance, compared crosswise.
      const std::int64_t rise = std::int64_t{points[k].height} - points[at].height;
      const std::int64_t distance = std::int64_t{points[at].step} - points[k].step;
      const std::int64_t bestRise = std::int64_t{points[best].height} - points[at].height;
      const std::int64_t bestDistance = std::int64_t{points[at].step} - points[best].step;
      if (rise * bestDistance >= bestRise * distance) best = k;
    }
    hull.push_back(points[best]);
    at = best;
  }
  return hull;
}

}  // namespace quorvel::test
