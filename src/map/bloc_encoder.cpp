#include "map/bloc_encoder.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "map/cell_encoding.h"
#include "map/map_format.h"
#include "map/normals.h"

namespace quorvel {
namespace {

constexpr int kSpan = kBlocFilePixels + 1;  // a blocFile's pixels each way, borders included

void storeU32(std::uint8_t* out, std::uint32_t value) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &value, 4);
  } else {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
  }
}

void storeVector(std::uint8_t* out, const Vector3& v) {
  storeU32(out, std::bit_cast<std::uint32_t>(v.x));
  storeU32(out + 4, std::bit_cast<std::uint32_t>(v.y));
  storeU32(out + 8, std::bit_cast<std::uint32_t>(v.z));
}

// Row-major view of an image's pixels.
struct PixelView {
  explicit PixelView(const Texture& texture)
      : pixels(texture.pixels.data()),
        width(static_cast<std::size_t>(texture.width)),
        bytesPerPixel(static_cast<std::size_t>(texture.bytesPerPixel)) {}
  [[nodiscard]] const std::uint8_t* at(int x, int y) const {
    return pixels + (static_cast<std::size_t>(x) + static_cast<std::size_t>(y) * width) *
                        bytesPerPixel;
  }
  const std::uint8_t* pixels;
  std::size_t width;
  std::size_t bytesPerPixel;
};

}  // namespace

BlocEncoder::BlocEncoder(const Terrain& terrain, const TriangleTable* table)
    : terrain_(terrain), table_(table) {
  // Both depend on nothing but a byte, so they are worked out once per run.
  for (int b = 0; b < 256; ++b) {
    factors_[b] = colorFactor(static_cast<std::uint8_t>(b));
    const double height = b;
    heightBits_[b] = std::bit_cast<std::uint32_t>(static_cast<float>(
        (height - terrain.settings.seaLevel) * double{terrain.settings.zScaleFactor}));
  }
}

void BlocEncoder::encode(int bx, int by, std::uint8_t* out) const {
  if (table_ != nullptr) {
    const TriangleTable& table = *table_;
    encodeWith([&table](int kind, int rise1, int rise2) { return table.normal(kind, rise1, rise2); },
               bx, by, out);
  } else {
    const float zScaleFactor = terrain_.settings.zScaleFactor;
    encodeWith(
        [zScaleFactor](int kind, int rise1, int rise2) {
          return triangleNormal(kind, rise1, rise2, zScaleFactor);
        },
        bx, by, out);
  }
}

template <class NormalOf>
void BlocEncoder::encodeWith(const NormalOf& normalOf, int bx, int by, std::uint8_t* out) const {
  const PixelView alt(terrain_.alt);
  const PixelView difMat(terrain_.difMat);
  const PixelView ambMat(terrain_.ambMat);
  const PixelView difLight(terrain_.difLight);
  const PixelView ambLight(terrain_.ambLight);
  const int width = terrain_.alt.width;
  const int height = terrain_.alt.height;
  const Vector3 light = terrain_.settings.lightDirection;
  const auto altitude = [&alt](int x, int y) -> int { return *alt.at(x, y); };

  const int x0 = kBlocFilePixels * bx;
  const int y0 = kBlocFilePixels * by;
  std::uint8_t colors[kSpan * kSpan][3];
  std::uint32_t heights[kSpan * kSpan];
  for (int j = 0; j < kSpan; ++j) {
    const int y = y0 + j;
    for (int i = 0; i < kSpan; ++i) {
      const int x = x0 + i;
      heights[j * kSpan + i] = heightBits_[altitude(x, y)];
      const Vector3 normal = vertexNormalOf(x, y, width, height, altitude, normalOf);
      const double diffuse = diffuseFactor(normal, light);
      const std::uint8_t* dm = difMat.at(x, y);
      const std::uint8_t* am = ambMat.at(x, y);
      const std::uint8_t* dl = difLight.at(x, y);
      const std::uint8_t* al = ambLight.at(x, y);
      for (int c = 0; c < 3; ++c) {
        colors[j * kSpan + i][c] =
            litChannel(diffuse, factors_[dl[c]], factors_[dm[c]], factors_[al[c]], factors_[am[c]]);
      }
    }
  }

  for (int sy = 0; sy < kSubBlocksPerSide; ++sy) {
    for (int sx = 0; sx < kSubBlocksPerSide; ++sx) {
      for (int cy = 0; cy < kCellsPerSide; ++cy) {
        for (int cx = 0; cx < kCellsPerSide; ++cx) {
          const int i = kSubBlockPixels * sx + kCellPixels * cx + 1;  // the centre, in the block
          const int j = kSubBlockPixels * sy + kCellPixels * cy + 1;
          for (int k = 0; k < kVerticesPerCell; ++k) {
            const int v = (j + kCellVertices[k].dy) * kSpan + i + kCellVertices[k].dx;
            std::memcpy(out + kColorsOffset + 3 * k, colors[v], 3);
            storeU32(out + kHeightsOffset + 4 * k, heights[v]);
          }
          const int x = x0 + i;
          const int y = y0 + j;
          const int h = altitude(x, y);
          for (int kind = 0; kind < kFanKinds; ++kind) {
            const TriangleKind& triangle = kTriangleKinds[kind];
            storeVector(out + kNormalsOffset + 12 * kind,
                        normalOf(kind, altitude(x + triangle.first.dx, y + triangle.first.dy) - h,
                                 altitude(x + triangle.second.dx, y + triangle.second.dy) - h));
          }
          out += kCellBytes;
        }
      }
    }
  }
}

}  // namespace quorvel
