#include "map/bloc_encoder.h"

#include <bit>
#include <cstddef>
#include <cstring>

#include "little_endian.h"
#include "map/cell_encoding.h"
#include "map/map_format.h"
#include "map/normals.h"

namespace quorvel {
namespace {

constexpr int kSpan = kBlocFilePixels + 1;  // a blocFile's pixels each way, borders included

void storeVector(std::uint8_t* out, const Vector3& v) {
  storeLeFloat(out, v.x);
  storeLeFloat(out + 4, v.y);
  storeLeFloat(out + 8, v.z);
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

// The lighting of a row of pixels, split into plain loops over independent pixels so that the
// compiler vectorises them; every operation is an IEEE add, multiply, divide, square root or
// conversion, each exact in a SIMD lane as in a scalar one (and none is fused). Processors
// with AVX2 get a wider copy, chosen when the program starts.
#if defined(__GNUC__) && !defined(__clang__) && defined(__x86_64__)
#define QUORVEL_WIDE_CLONES __attribute__((target_clones("avx2", "default")))
#else
#define QUORVEL_WIDE_CLONES
#endif

// The diffuse factor of each pixel from its unnormalised vertex normal.
QUORVEL_WIDE_CLONES void diffuseFactors(int count, const float* sumX, const float* sumY,
                                        const float* sumZ, Vector3 light, double* diffuse) {
  for (int i = 0; i < count; ++i) {
    Vector3 normal{sumX[i], sumY[i], sumZ[i]};
    normalize(normal);
    diffuse[i] = diffuseFactor(normal, light);
  }
}

// litChannel for one channel of each pixel of a row.
QUORVEL_WIDE_CLONES void litChannels(int count, const double* diffuse, const float* difLight,
                                     const float* difMat, const float* ambLight,
                                     const float* ambMat, std::uint8_t* out) {
  for (int i = 0; i < count; ++i) {
    out[i] = litChannel(diffuse[i], difLight[i], difMat[i], ambLight[i], ambMat[i]);
  }
}

// The sum of the triangle normals at a pixel none of whose neighbours is outside the image,
// for the Count kinds from First on: the same sum as vertexNormalSumOf, with the ring
// unrolled and the neighbours read from a window of altitudes whose rows are stride apart.
// A cell centre's ring is its cell's fan, edges from the same pixel, so the normals summed
// there are also the cell's face normals: kept gives them to the caller.
template <int First, int Count, class NormalOf>
Vector3 interiorNormalSum(const int* centre, int stride, const NormalOf& normalOf,
                          Vector3* kept = nullptr) {
  const int h = *centre;
  Vector3 local[Count];
  Vector3* normals = kept != nullptr ? kept : local;
  for (int k = 0; k < Count; ++k) {
    const TriangleKind& triangle = kTriangleKinds[First + k];
    normals[k] = normalOf(First + k, centre[triangle.first.dy * stride + triangle.first.dx] - h,
                          centre[triangle.second.dy * stride + triangle.second.dx] - h);
  }
  return sumInRingOrder(normals, Count);
}

}  // namespace

BlocEncoder::BlocEncoder(const Terrain& terrain, const TriangleTable* table)
    : terrain_(terrain), table_(table) {
  // Both depend on nothing but a byte, so they are worked out once per run.
  for (int b = 0; b < 256; ++b) {
    factors_[b] = colorFactor(static_cast<std::uint8_t>(b));
    heightBits_[b] =
        std::bit_cast<std::uint32_t>(heightOf(static_cast<std::uint8_t>(b), terrain.settings));
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
  float sumX[kSpan];
  float sumY[kSpan];
  float sumZ[kSpan];
  double diffuse[kSpan];
  float dl[kSpan];
  float dm[kSpan];
  float al[kSpan];
  float am[kSpan];
  std::uint8_t channel[kSpan];
  Vector3 faceNormals[kCellsPerSide * kSubBlocksPerSide][kCellsPerSide * kSubBlocksPerSide]
                     [kFanKinds];
  // The blocFile's altitudes and a ring of one pixel round them, so that the interior
  // pixels' neighbours are read without bounds tests; the ring outside the image stays 0 and
  // is never read, since border pixels go through the guarded sum.
  constexpr int kWindow = kSpan + 2;
  int window[kWindow * kWindow];
  for (int j = 0; j < kWindow; ++j) {
    const int y = y0 + j - 1;
    for (int i = 0; i < kWindow; ++i) {
      const int x = x0 + i - 1;
      window[j * kWindow + i] = x >= 0 && x < width && y >= 0 && y < height ? altitude(x, y) : 0;
    }
  }
  for (int j = 0; j < kSpan; ++j) {
    const int y = y0 + j;
    const bool interiorRow = y > 0 && y < height - 1;
    for (int i = 0; i < kSpan; ++i) {
      const int x = x0 + i;
      const int* centre = &window[(j + 1) * kWindow + i + 1];
      heights[j * kSpan + i] = heightBits_[*centre];
      Vector3 sum;
      if (i % 2 == 1 && j % 2 == 1) {
        // A cell centre: never on the image's border, since the cells tile the image.
        sum = interiorNormalSum<0, kFanKinds>(centre, kWindow, normalOf, faceNormals[j / 2][i / 2]);
      } else if (interiorRow && x > 0 && x < width - 1) {
        sum = x % 2 == y % 2 ? interiorNormalSum<0, kFanKinds>(centre, kWindow, normalOf)
                             : interiorNormalSum<kFanKinds, kAxisKinds>(centre, kWindow, normalOf);
      } else {
        sum = vertexNormalSumOf(x, y, width, height, altitude, normalOf);
      }
      sumX[i] = sum.x;
      sumY[i] = sum.y;
      sumZ[i] = sum.z;
    }
    diffuseFactors(kSpan, sumX, sumY, sumZ, light, diffuse);
    const std::uint8_t* dmRow = difMat.at(x0, y);
    const std::uint8_t* amRow = ambMat.at(x0, y);
    const std::uint8_t* dlRow = difLight.at(x0, y);
    const std::uint8_t* alRow = ambLight.at(x0, y);
    for (int c = 0; c < 3; ++c) {
      for (int i = 0; i < kSpan; ++i) {
        dl[i] = factors_[dlRow[3 * i + c]];
        dm[i] = factors_[dmRow[3 * i + c]];
        al[i] = factors_[alRow[3 * i + c]];
        am[i] = factors_[amRow[3 * i + c]];
      }
      litChannels(kSpan, diffuse, dl, dm, al, am, channel);
      for (int i = 0; i < kSpan; ++i) colors[j * kSpan + i][c] = channel[i];
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
            storeLe32(out + kHeightsOffset + 4 * k, heights[v]);
          }
          const Vector3* normals = faceNormals[j / 2][i / 2];
          for (int kind = 0; kind < kFanKinds; ++kind) {
            storeVector(out + kNormalsOffset + 12 * kind, normals[kind]);
          }
          out += kCellBytes;
        }
      }
    }
  }
}

}  // namespace quorvel
