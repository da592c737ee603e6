#pragma once

#include <array>
#include <bit>
#include <cstdint>

#include "map/map_file.h"
#include "map/terrain.h"

namespace quorvel {

// The float nearest to 1/255 (bit pattern 0x3B808081) turns a colour byte into a factor.
inline constexpr float kColorScale = 0.0039215688593685627f;
static_assert(std::bit_cast<std::uint32_t>(kColorScale) == 0x3B808081);

// A colour byte as a factor: the product is exact in double and rounded once, so 0 gives
// 0.0 and 255 exactly 1.0.
[[nodiscard]] inline float colorFactor(std::uint8_t byte) {
  return static_cast<float>(byte * double{kColorScale});
}

// How much diffuse light a vertex with this normal receives; a surface turned away or seen
// edge-on gets none, and so does every vertex under a zero light direction (its NaN).
[[nodiscard]] inline double diffuseFactor(const Vector3& normal, const Vector3& lightDirection) {
  const double d = dot(normal, lightDirection);
  return d > 0.0 ? d : 0.0;
}

// One lit channel from the diffuse factor and the four colour factors, evaluated in exactly
// this order; diffuse and ambient light together may pass full scale, hence the cap.
[[nodiscard]] inline std::uint8_t litChannel(double diffuse, float difLight, float difMat,
                                             float ambLight, float ambMat) {
  const double value = ((diffuse * difLight) * difMat + double{ambLight} * ambMat) * 255.0;
  const auto truncated = static_cast<int>(value);
  return static_cast<std::uint8_t>(truncated > 255 ? 255 : truncated);
}

// The stored height of an altitude byte: (altitude - seaLevel) * zScaleFactor, rounded once.
[[nodiscard]] inline float heightOf(std::uint8_t altitude, const Settings& settings) {
  const double height = altitude;
  return roundToFloat((height - settings.seaLevel) * double{settings.zScaleFactor});
}

// heightOf the altitude of pixel (x, y).
[[nodiscard]] float vertexHeight(const Texture& alt, const Settings& settings, int x, int y);

// The lit colour of pixel (x, y), red, green, blue. settings.lightDirection must be a unit
// vector (or NaN, which lights nothing).
[[nodiscard]] std::array<std::uint8_t, 3> vertexColor(const Terrain& terrain, int x, int y);

void writeVertexHeight(MapFile& file, const Terrain& terrain, int x, int y);
void writeVertexColor(MapFile& file, const Terrain& terrain, int x, int y);

}  // namespace quorvel
