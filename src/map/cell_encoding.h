#pragma once

#include <bit>
#include <cstdint>

#include "map/terrain.h"

namespace quorvel {

// The float nearest to 1/255 (bit pattern 0x3B808081) turns a colour byte into a factor.
inline constexpr float kColorScale = 0.0039215688593685627f;
static_assert(std::bit_cast<std::uint32_t>(kColorScale) == 0x3B808081);

// A colour byte as a factor: the product, exact in double, rounded once, so 0 gives 0.0 and
// 255 exactly 1.0. A float product is that same single rounding (8 bits times 24 fit in 53),
// at half the vector width.
[[nodiscard]] inline float colorFactor(std::uint8_t byte) {
  return static_cast<float>(byte) * kColorScale;
}

// How much diffuse light a vertex with this normal receives; a surface turned away or seen
// edge-on gets none, and so does every vertex under a zero light direction (its NaN).
[[nodiscard]] inline double diffuseFactor(const Vector3& normal, const Vector3& lightDirection) {
  const double d = dot(normal, lightDirection);
  return d > 0.0 ? d : 0.0;
}

// One lit channel from the diffuse factor (times the sun's share with shadows), the four
// colour factors and the sky-view factor, evaluated in exactly this order; diffuse and ambient
// light together may pass full scale, hence the cap. An open sky (1.0) leaves the ambient
// product as it is, so the plain colours need no sky at all.
[[nodiscard]] inline std::uint8_t litChannel(double diffuse, float difLight, float difMat,
                                             float ambLight, float ambMat, double sky = 1.0) {
  const double value =
      ((diffuse * difLight) * difMat + (double{ambLight} * ambMat) * sky) * 255.0;
  const auto truncated = static_cast<int>(value);
  return static_cast<std::uint8_t>(truncated > 255 ? 255 : truncated);
}

// The stored height of an altitude sample: (altitude - seaLevel) * zScaleFactor in double,
// rounded once.
[[nodiscard]] inline float heightOf(double altitude, const Settings& settings) {
  return roundToFloat((altitude - settings.seaLevel) * double{settings.zScaleFactor});
}

}  // namespace quorvel
