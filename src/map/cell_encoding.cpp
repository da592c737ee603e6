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

}  // namespace

float vertexHeight(const Texture& alt, const Settings& settings, int x, int y) {
  return heightOf(*pixel(alt, x, y), settings);
}

std::array<std::uint8_t, 3> vertexColor(const Terrain& terrain, int x, int y) {
  const std::uint8_t* difMat = pixel(terrain.difMat, x, y);
  const std::uint8_t* ambMat = pixel(terrain.ambMat, x, y);
  const std::uint8_t* difLight = pixel(terrain.difLight, x, y);
  const std::uint8_t* ambLight = pixel(terrain.ambLight, x, y);
  Vector3 normal;
  computeVertexNormal(normal, terrain.alt, terrain.settings.zScaleFactor, x, y);
  const double diffuse = diffuseFactor(normal, terrain.settings.lightDirection);
  std::array<std::uint8_t, 3> color;
  for (int c = 0; c < 3; ++c) {
    color[c] = litChannel(diffuse, colorFactor(difLight[c]), colorFactor(difMat[c]),
                          colorFactor(ambLight[c]), colorFactor(ambMat[c]));
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
