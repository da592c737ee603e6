#include "map/cell_encoding.h"

#include <cstddef>

#include "map/normals.h"

namespace quorvel {
namespace {

const std::uint8_t* pixel(const Texture& texture, int x, int y) {
  return texture.pixels.data() +
         (static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * texture.width) *
             texture.bytesPerPixel;
}

// The product is exact in double and rounded once: 0 gives 0.0 and 255 exactly 1.0.
float colorFactor(std::uint8_t byte) { return static_cast<float>(byte * double{kColorScale}); }

}  // namespace

float vertexHeight(const Texture& alt, const Settings& settings, int x, int y) {
  const double height = *pixel(alt, x, y);
  return static_cast<float>((height - settings.seaLevel) * double{settings.zScaleFactor});
}

std::array<std::uint8_t, 3> vertexColor(const Terrain& terrain, int x, int y) {
  const std::uint8_t* difMat = pixel(terrain.difMat, x, y);
  const std::uint8_t* ambMat = pixel(terrain.ambMat, x, y);
  const std::uint8_t* difLight = pixel(terrain.difLight, x, y);
  const std::uint8_t* ambLight = pixel(terrain.ambLight, x, y);
  Vector3 normal;
  computeVertexNormal(normal, terrain.alt, terrain.settings.zScaleFactor, x, y);
  double d = dot(normal, terrain.settings.lightDirection);
  if (!(d > 0.0)) d = 0.0;  // also catches the NaN of a zero light direction
  std::array<std::uint8_t, 3> color;
  for (int c = 0; c < 3; ++c) {
    // Evaluated in exactly this order; diffuse and ambient together may pass full scale.
    const double value = ((d * colorFactor(difLight[c])) * colorFactor(difMat[c]) +
                          double{colorFactor(ambLight[c])} * colorFactor(ambMat[c])) *
                         255.0;
    const auto truncated = static_cast<int>(value);
    color[c] = static_cast<std::uint8_t>(truncated > 255 ? 255 : truncated);
  }
  return color;
}

void writeVertexHeight(MapFile& file, const Terrain& terrain, int x, int y) {
  file.putFloat(vertexHeight(terrain.alt, terrain.settings, x, y));
}

void writeVertexColor(MapFile& file, const Terrain& terrain, int x, int y) {
  const std::array<std::uint8_t, 3> color = vertexColor(terrain, x, y);
  file.putBytes(color.data(), color.size());
}

}  // namespace quorvel
