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

// The stored height of pixel (x, y): (altitude - seaLevel) * zScaleFactor, rounded once.
[[nodiscard]] float vertexHeight(const Texture& alt, const Settings& settings, int x, int y);

// The lit colour of pixel (x, y), red, green, blue. settings.lightDirection must be a unit
// vector (or NaN, which lights nothing).
[[nodiscard]] std::array<std::uint8_t, 3> vertexColor(const Terrain& terrain, int x, int y);

void writeVertexHeight(MapFile& file, const Terrain& terrain, int x, int y);
void writeVertexColor(MapFile& file, const Terrain& terrain, int x, int y);

}  // namespace quorvel
