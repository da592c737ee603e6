#include "map/bloc_encoder.h"

#include <algorithm>
#include <bit>
#include <cstddef>
#include <cstring>
#include <type_traits>
#include <utility>

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

// The lighting of a row of pixels and the direct triangle normals, split into plain loops over
// independent pixels so that the compiler vectorises them; every operation is an IEEE add, multiply, divide, square root or
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

// The lit colours of count pixels, red, green, blue each, from the bytes of the same pixels
// of the four colour images and each pixel's diffuse factor repeated for its three channels:
// one loop over every channel, whose byte-to-factor conversions run in vector lanes too.
QUORVEL_WIDE_CLONES void litColors(int count, const double* diffuse, const std::uint8_t* difLight,
                                   const std::uint8_t* difMat, const std::uint8_t* ambLight,
                                   const std::uint8_t* ambMat, std::uint8_t* out) {
  for (int k = 0; k < 3 * count; ++k) {
    out[k] = litChannel(diffuse[k], colorFactor(difLight[k]), colorFactor(difMat[k]),
                        colorFactor(ambLight[k]), colorFactor(ambMat[k]));
  }
}

// The triangle normals of one kind at count pixels whose corners stand rise1 and rise2 above
// them, in a loop over the pixels so that the square roots and divisions of crossNormalized
// run in vector lanes.
template <int Kind>
QUORVEL_WIDE_CLONES void triangleNormals(int count, const double* rise1, const double* rise2,
                                         float zScaleFactor, float* x, float* y, float* z) {
  for (int n = 0; n < count; ++n) {
    const Vector3 normal = triangleNormal(Kind, rise1[n], rise2[n], zScaleFactor);
    x[n] = normal.x;
    y[n] = normal.y;
    z[n] = normal.z;
  }
}

constexpr int kWindow = kSpan + 2;  // a blocFile's pixels and a ring of one round them
constexpr int kMostOfOneParity = (kSpan + 1) / 2;

// The altitudes of blocFile (bx, by) and of a ring of one pixel round it, as Altitude values,
// so that the interior pixels' neighbours are read without bounds tests; the ring outside the
// image stays 0 and is never used, since border pixels go through the guarded sum.
template <class Sample, class Altitude>
void fillWindow(const Texture& alt, int bx, int by, Altitude* window) {
  const int x0 = kBlocFilePixels * bx - 1;
  const int y0 = kBlocFilePixels * by - 1;
  for (int j = 0; j < kWindow; ++j) {
    const int y = y0 + j;
    Altitude* row = window + j * kWindow;
    if (y < 0 || y >= alt.height) {
      std::fill(row, row + kWindow, Altitude{0});
      continue;
    }
    const std::uint8_t* samples =
        alt.pixels.data() + static_cast<std::size_t>(y) * alt.width * sizeof(Sample);
    for (int i = 0; i < kWindow; ++i) {
      const int x = x0 + i;
      Sample sample{0};
      if (x >= 0 && x < alt.width) {
        std::memcpy(&sample, samples + static_cast<std::size_t>(x) * sizeof(Sample), sizeof sample);
      }
      row[i] = static_cast<Altitude>(sample);
    }
  }
}

// The sum of the triangle normals at a pixel none of whose neighbours is outside the image,
// for the Count kinds from First on, looked up in the table: the same sum as
// vertexNormalSumOf, with the ring unrolled and the neighbours read from the window. A cell
// centre's ring is its cell's fan, edges from the same pixel, so the normals summed there are
// also the cell's face normals: kept gives them to the caller.
template <int First, int Count>
Vector3 tableNormalSum(const int* centre, const TriangleTable& table, Vector3* kept = nullptr) {
  const int h = *centre;
  Vector3 local[Count];
  Vector3* normals = kept != nullptr ? kept : local;
  for (int k = 0; k < Count; ++k) {
    const TriangleKind& triangle = kTriangleKinds[First + k];
    normals[k] = table.normal(First + k, centre[triangle.first.dy * kWindow + triangle.first.dx] - h,
                              centre[triangle.second.dy * kWindow + triangle.second.dx] - h);
  }
  return sumInRingOrder(normals, Count);
}

// The span's pixels by the ring that meets them, row by row: those whose column and row have
// the same parity meet the fan, the others the axis ring. Each is listed by its place in the
// window; the fan pixels of the odd rows are the cell centres.
constexpr int kFanPixels = kMostOfOneParity * kMostOfOneParity +
                           (kSpan - kMostOfOneParity) * (kSpan - kMostOfOneParity);
constexpr int kAxisPixels = kSpan * kSpan - kFanPixels;
constexpr int kCells = kCellsPerSide * kSubBlocksPerSide;  // each way

template <int Count>
constexpr std::array<int, Count> pixelsMeeting(bool fan) {
  std::array<int, Count> out{};
  int n = 0;
  for (int j = 0; j < kSpan; ++j) {
    for (int i = 0; i < kSpan; ++i) {
      if ((i % 2 == j % 2) == fan) out[n++] = (j + 1) * kWindow + i + 1;
    }
  }
  return out;
}
constexpr std::array<int, kFanPixels> kFanPixelList = pixelsMeeting<kFanPixels>(true);
constexpr std::array<int, kAxisPixels> kAxisPixelList = pixelsMeeting<kAxisPixels>(false);

// Where each cell centre, in the order of the cells' rows, stands in kFanPixelList.
constexpr std::array<int, kCells * kCells> kCentreInFanList = [] {
  std::array<int, kCells * kCells> out{};
  int c = 0;
  for (int n = 0; n < kFanPixels; ++n) {
    const int i = kFanPixelList[n] % kWindow - 1;
    const int j = kFanPixelList[n] / kWindow - 1;
    if (i % 2 == 1 && j % 2 == 1) out[c++] = n;
  }
  return out;
}();

// The sums of the triangle normals of every pixel in pixels, for the Count kinds from First
// on, as if none of their neighbours were outside the image: the same sums as
// vertexNormalSumOf. Each kind is computed for the whole list at once, so that its loop is
// long, and added to the sums in ring order (the first two kinds to each other, as
// sumInRingOrder does). A cell centre's ring is its cell's fan, so with faceNormals given the
// fan's normals at the centres go there too. sumX, sumY and sumZ are indexed by the span.
template <int First, int Count, std::size_t N>
void normalSums(const double* window, const std::array<int, N>& pixels, float zScaleFactor,
                float* sumX, float* sumY, float* sumZ, Vector3 (*faceNormals)[kFanKinds]) {
  double rise1[N];
  double rise2[N];
  float x[N];
  float y[N];
  float z[N];
  float totalX[N];
  float totalY[N];
  float totalZ[N];
  const auto kind = [&]<int K>(std::integral_constant<int, K>) {
    constexpr TriangleKind kTriangle = kTriangleKinds[First + K];
    constexpr int kTo1 = kTriangle.first.dy * kWindow + kTriangle.first.dx;
    constexpr int kTo2 = kTriangle.second.dy * kWindow + kTriangle.second.dx;
    for (std::size_t n = 0; n < N; ++n) {
      const double* centre = window + pixels[n];
      rise1[n] = centre[kTo1] - *centre;
      rise2[n] = centre[kTo2] - *centre;
    }
    triangleNormals<First + K>(static_cast<int>(N), rise1, rise2, zScaleFactor, x, y, z);
    for (std::size_t n = 0; n < N; ++n) {
      Vector3 total{x[n], y[n], z[n]};
      if constexpr (K > 0) add(total, Vector3{totalX[n], totalY[n], totalZ[n]}, total);
      totalX[n] = total.x;
      totalY[n] = total.y;
      totalZ[n] = total.z;
    }
    if (faceNormals != nullptr) {
      for (int c = 0; c < kCells * kCells; ++c) {
        const int n = kCentreInFanList[c];
        faceNormals[c][First + K] = Vector3{x[n], y[n], z[n]};
      }
    }
  };
  [&]<int... K>(std::integer_sequence<int, K...>) {
    (kind(std::integral_constant<int, K>{}), ...);
  }(std::make_integer_sequence<int, Count>{});
  for (std::size_t n = 0; n < N; ++n) {
    const int at = (pixels[n] / kWindow - 1) * kSpan + pixels[n] % kWindow - 1;
    sumX[at] = totalX[n];
    sumY[at] = totalY[n];
    sumZ[at] = totalZ[n];
  }
}

}  // namespace

BlocEncoder::BlocEncoder(const Terrain& terrain, const TriangleTable* table)
    : terrain_(terrain), table_(table) {
  // A height depends on nothing but the altitude byte, so it is worked out once per run.
  for (int b = 0; b < 256; ++b) {
    heightBits_[b] = std::bit_cast<std::uint32_t>(heightOf(b, terrain.settings));
  }
}

void BlocEncoder::encode(int bx, int by, std::uint8_t* out) const {
  const Texture& alt = terrain_.alt;
  if (alt.sampleFormat == SampleFormat::kUInt8 && table_ != nullptr) {
    int window[kWindow * kWindow];
    fillWindow<std::uint8_t>(alt, bx, by, window);
    encodeFrom(window, bx, by, out);
    return;
  }
  // Every sample type converts to double exactly, so a difference of two 8-bit, 16-bit or
  // 32-bit samples is exact too; 64-bit floats differ with one rounding, as the rule says.
  double window[kWindow * kWindow];
  switch (alt.sampleFormat) {
    case SampleFormat::kUInt8: fillWindow<std::uint8_t>(alt, bx, by, window); break;
    case SampleFormat::kUInt16: fillWindow<std::uint16_t>(alt, bx, by, window); break;
    case SampleFormat::kInt16: fillWindow<std::int16_t>(alt, bx, by, window); break;
    case SampleFormat::kUInt32: fillWindow<std::uint32_t>(alt, bx, by, window); break;
    case SampleFormat::kInt32: fillWindow<std::int32_t>(alt, bx, by, window); break;
    case SampleFormat::kFloat32: fillWindow<float>(alt, bx, by, window); break;
    case SampleFormat::kFloat64: fillWindow<double>(alt, bx, by, window); break;
  }
  encodeFrom(window, bx, by, out);
}

// Altitude is int for 8-bit samples with the triangle table, double for the direct route.
template <class Altitude>
void BlocEncoder::encodeFrom(const Altitude* window, int bx, int by, std::uint8_t* out) const {
  constexpr bool kFromTable = std::is_same_v<Altitude, int>;
  const PixelView difMat(terrain_.difMat);
  const PixelView ambMat(terrain_.ambMat);
  const PixelView difLight(terrain_.difLight);
  const PixelView ambLight(terrain_.ambLight);
  const int width = terrain_.alt.width;
  const int height = terrain_.alt.height;
  const Settings& settings = terrain_.settings;
  const Vector3 light = settings.lightDirection;
  const int x0 = kBlocFilePixels * bx;
  const int y0 = kBlocFilePixels * by;
  // Pixel (x, y) of the image, for the pixels of the span and their neighbours.
  const auto altitude = [window, x0, y0](int x, int y) {
    return window[(y - y0 + 1) * kWindow + (x - x0 + 1)];
  };
  std::uint8_t colors[kSpan * kSpan][3];
  std::uint32_t heights[kSpan * kSpan];
  // Each pixel's sum of triangle normals, before it is normalised.
  float sumX[kSpan * kSpan];
  float sumY[kSpan * kSpan];
  float sumZ[kSpan * kSpan];
  double diffuse[kSpan];
  double channelDiffuse[3 * kSpan];
  Vector3 faceNormals[kCells * kCells][kFanKinds];  // by cell, the cells' rows in turn
  if constexpr (!kFromTable) {
    // Every pixel as if it were inside the image (the window's ring holds zeros); the pixels
    // on the image's border are done again in the row loop.
    normalSums<0, kFanKinds>(window, kFanPixelList, settings.zScaleFactor, sumX, sumY, sumZ,
                             faceNormals);
    normalSums<kFanKinds, kAxisKinds>(window, kAxisPixelList, settings.zScaleFactor, sumX, sumY,
                                      sumZ, nullptr);
  }
  for (int j = 0; j < kSpan; ++j) {
    const int y = y0 + j;
    const Altitude* row = &window[(j + 1) * kWindow + 1];
    float* rowX = &sumX[j * kSpan];
    float* rowY = &sumY[j * kSpan];
    float* rowZ = &sumZ[j * kSpan];
    for (int i = 0; i < kSpan; ++i) {
      if constexpr (kFromTable) {
        heights[j * kSpan + i] = heightBits_[row[i]];
      } else {
        heights[j * kSpan + i] = std::bit_cast<std::uint32_t>(heightOf(row[i], settings));
      }
    }
    const bool interiorRow = y > 0 && y < height - 1;
    if constexpr (kFromTable) {
      const TriangleTable& table = *table_;
      for (int i = 0; interiorRow && i < kSpan; ++i) {
        const int x = x0 + i;
        Vector3 sum;
        if (i % 2 == 1 && j % 2 == 1) {
          // A cell centre: never on the image's border, since the cells tile the image.
          sum = tableNormalSum<0, kFanKinds>(&row[i], table, faceNormals[j / 2 * kCells + i / 2]);
        } else if (x > 0 && x < width - 1) {
          sum = i % 2 == j % 2 ? tableNormalSum<0, kFanKinds>(&row[i], table)
                               : tableNormalSum<kFanKinds, kAxisKinds>(&row[i], table);
        } else {
          continue;  // on the image's border: below
        }
        rowX[i] = sum.x;
        rowY[i] = sum.y;
        rowZ[i] = sum.z;
      }
    }
    for (int i = 0; i < kSpan; ++i) {
      const int x = x0 + i;
      if (interiorRow && x > 0 && x < width - 1) continue;
      Vector3 sum;
      if constexpr (kFromTable) {
        const TriangleTable& table = *table_;
        sum = vertexNormalSumOf(x, y, width, height, altitude,
                                [&table](int kind, int rise1, int rise2) {
                                  return table.normal(kind, rise1, rise2);
                                });
      } else {
        sum = vertexNormalSumOf(x, y, width, height, altitude,
                                [&settings](int kind, double rise1, double rise2) {
                                  return triangleNormal(kind, rise1, rise2, settings.zScaleFactor);
                                });
      }
      rowX[i] = sum.x;
      rowY[i] = sum.y;
      rowZ[i] = sum.z;
    }
    diffuseFactors(kSpan, rowX, rowY, rowZ, light, diffuse);
    for (int i = 0; i < kSpan; ++i) {
      channelDiffuse[3 * i] = channelDiffuse[3 * i + 1] = channelDiffuse[3 * i + 2] = diffuse[i];
    }
    litColors(kSpan, channelDiffuse, difLight.at(x0, y), difMat.at(x0, y), ambLight.at(x0, y),
              ambMat.at(x0, y), colors[j * kSpan]);
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
          const Vector3* normals = faceNormals[j / 2 * kCells + i / 2];
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
