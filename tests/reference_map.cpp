#include "reference_map.h"

#include <cstddef>
#include <cstring>

#include "little_endian.h"
#include "map/cell_encoding.h"
#include "map/map_format.h"
#include "map/normals.h"
#include "memory_texture.h"
#include "reference_light.h"

namespace quorvel::test {
namespace {

const std::uint8_t* pixel(const Texture& texture, int x, int y) {
  return texture.pixels.data() +
         (static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * texture.width) *
             texture.bytesPerPixel;
}

template <class Sample>
double sampleAt(const std::uint8_t* bytes) {
  Sample value;
  std::memcpy(&value, bytes, sizeof value);
  return static_cast<double>(value);
}

void appendFloat(Bytes& out, float value) {
  std::uint8_t bytes[4];
  storeLeFloat(bytes, value);
  out.insert(out.end(), bytes, bytes + 4);
}

}  // namespace

double altitudeSample(const Texture& alt, int x, int y) {
  const std::uint8_t* bytes = pixel(alt, x, y);
  return visitSample(alt.sampleFormat, [bytes]<class Sample>(Sample) -> double {
    return sampleAt<Sample>(bytes);
  });
}

float vertexHeight(const Texture& alt, const Settings& settings, int x, int y) {
  return heightOf(altitudeSample(alt, x, y), settings);
}

std::array<std::uint8_t, 3> vertexColor(const Terrain& terrain, int x, int y) {
  const std::uint8_t* difMat = pixel(terrain.difMat, x, y);
  const std::uint8_t* ambMat = pixel(terrain.ambMat, x, y);
  const std::uint8_t* difLight = pixel(terrain.difLight, x, y);
  const std::uint8_t* ambLight = pixel(terrain.ambLight, x, y);
  Vector3 normal;
  computeVertexNormal(normal, terrain.alt, terrain.settings.zScaleFactor, x, y);
  const Settings& settings = terrain.settings;
  double diffuse = diffuseFactor(normal, settings.lightDirection);
  if (settings.baked.shadows && diffuse > 0.0) {
    diffuse = diffuse * sunShare(terrain.alt, settings.zScaleFactor, settings.lightDirection,
                                 settings.baked.sunDiameter, x, y);
  }
  const double sky = settings.baked.skyDirections > 0
                         ? skyViewFactor(terrain.alt, settings.zScaleFactor,
                                         settings.baked.skyDirections, x, y)
                         : 1.0;
  std::array<std::uint8_t, 3> color;
  for (int c = 0; c < 3; ++c) {
    color[c] = litChannel(diffuse, colorFactor(difLight[c]), colorFactor(difMat[c]),
                          colorFactor(ambLight[c]), colorFactor(ambMat[c]), sky);
  }
  return color;
}

void computeFaceNormals(std::array<Vector3, 8>& out, const Texture& alt, float zScaleFactor,
                        int cx, int cy) {
  const double h = altitudeSample(alt, cx, cy);
  for (int kind = 0; kind < kFanKinds; ++kind) {
    const TriangleKind& triangle = kTriangleKinds[kind];
    out[kind] = triangleNormal(
        kind, altitudeSample(alt, cx + triangle.first.dx, cy + triangle.first.dy) - h,
        altitudeSample(alt, cx + triangle.second.dx, cy + triangle.second.dy) - h, zScaleFactor);
  }
}

void computeVertexNormal(Vector3& out, const Texture& alt, float zScaleFactor, int x, int y) {
  out = vertexNormalSumOf(
      x, y, alt.width, alt.height, [&alt](int px, int py) { return altitudeSample(alt, px, py); },
      [zScaleFactor](int kind, double rise1, double rise2) {
        return triangleNormal(kind, rise1, rise2, zScaleFactor);
      });
  normalize(out);
}

void writeFaceNormals(Bytes& out, const Texture& alt, float zScaleFactor, int cx, int cy) {
  std::array<Vector3, 8> normals;
  computeFaceNormals(normals, alt, zScaleFactor, cx, cy);
  for (const Vector3& n : normals) {
    appendFloat(out, n.x);
    appendFloat(out, n.y);
    appendFloat(out, n.z);
  }
}

void writeCell(Bytes& out, const Terrain& terrain, int ox, int oy) {
  const int cx = ox + 1;
  const int cy = oy + 1;
  for (const PixelOffset v : kCellVertices) {
    const std::array<std::uint8_t, 3> color = vertexColor(terrain, cx + v.dx, cy + v.dy);
    out.insert(out.end(), color.begin(), color.end());
  }
  for (const PixelOffset v : kCellVertices) {
    appendFloat(out, vertexHeight(terrain.alt, terrain.settings, cx + v.dx, cy + v.dy));
  }
  writeFaceNormals(out, terrain.alt, terrain.settings.zScaleFactor, cx, cy);
}

void writeSubBlock(Bytes& out, const Terrain& terrain, int x0, int y0) {
  for (int cy = 0; cy < kCellsPerSide; ++cy) {
    for (int cx = 0; cx < kCellsPerSide; ++cx) {
      writeCell(out, terrain, x0 + kCellPixels * cx, y0 + kCellPixels * cy);
    }
  }
}

void writeBlock(Bytes& out, const Terrain& terrain, int x0, int y0) {
  for (int sy = 0; sy < kSubBlocksPerSide; ++sy) {
    for (int sx = 0; sx < kSubBlocksPerSide; ++sx) {
      writeSubBlock(out, terrain, x0 + kSubBlockPixels * sx, y0 + kSubBlockPixels * sy);
    }
  }
}

Bytes referenceMap(const Terrain& terrain) {
  const int w = terrain.alt.width;
  const int h = terrain.alt.height;
  if ((w - 1) % kBlocFilePixels != 0 || (h - 1) % kBlocFilePixels != 0) return {};
  const int largeur = (w - 1) / kBlocFilePixels;
  const int hauteur = (h - 1) / kBlocFilePixels;
  if (largeur > kMaxBlocFiles || hauteur > kMaxBlocFiles) return {};

  Terrain lit = terrain;
  normalize(lit.settings.lightDirection);
  Bytes out(kHeaderBytes);
  storeLeI32(out.data(), largeur);
  storeLeI32(out.data() + 4, hauteur);
  out.reserve(static_cast<std::size_t>(mapFileBytes(largeur, hauteur)));
  for (int by = 0; by < hauteur; ++by) {
    for (int bx = 0; bx < largeur; ++bx) {
      writeBlock(out, lit, kBlocFilePixels * bx, kBlocFilePixels * by);
    }
  }
  return out;
}

Bytes referenceMap(const TerrainImages& images, const Settings& settings) {
  const MemoryTexture alt("alt", images.width, images.height, 1, images.alt);
  const MemoryTexture difMat("DifMat", images.width, images.height, 3, images.difMat);
  const MemoryTexture ambMat("AmbMat", images.width, images.height, 3, images.ambMat);
  const MemoryTexture difLight("DifLight", images.width, images.height, 3, images.difLight);
  const MemoryTexture ambLight("AmbLight", images.width, images.height, 3, images.ambLight);
  return referenceMap(Terrain{alt, difMat, ambMat, difLight, ambLight, settings});
}

}  // namespace quorvel::test
