#include "map/bloc_encoder.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cstddef>
#include <cstring>
#include <stdexcept>
#include <type_traits>

#include "little_endian.h"
#include "map/cell_encoding.h"
#include "map/direct_normals.h"
#include "map/map_format.h"
#include "map/normals.h"
#include "map/vector_loops.h"

namespace quorvel {
namespace {

// On a little-endian host a Vector3 in memory is the file's 12 bytes, so a cell's eight
// normals are stored as one block.
constexpr bool kNormalsAsStored = std::endian::native == std::endian::little &&
                                  sizeof(Vector3) == 12 && std::is_standard_layout_v<Vector3>;
static_assert(kCellBytes - kNormalsOffset == 12 * kFanKinds);
static_assert(kHeightsOffset == kColorsOffset + 3 * kVerticesPerCell);

// Row-major view of the pixels of blocFile column bx in an image, addressed by the pixel's
// place in the whole image (the record may hold a window of it, or blocks of a blocFile's
// columns).
struct PixelView {
  PixelView(const Texture& texture, int bx)
      : pixels(texture.pixels.data()),
        width(static_cast<std::size_t>(texture.width)),
        bytesPerPixel(static_cast<std::size_t>(texture.bytesPerPixel)),
        x0(texture.x0),
        y0(texture.y0),
        end(pixels + texture.pixels.size()) {
    if (texture.blockColumns != 0) {
      // Blocks overlap as blocFiles do, so a blocFile lies in one when they are its width and
      // start on a blocFile's column.
      const int start = kBlocFilePixels * bx - texture.x0;
      if (texture.blockColumns != kSpan || start < 0 || start % kBlocFilePixels != 0) {
        throw std::invalid_argument("BlocEncoder: colour blocks that are not blocFiles");
      }
      const int block = start / kBlocFilePixels;
      width = static_cast<std::size_t>(texture.blockColumns);
      x0 = texture.x0 + block * (texture.blockColumns - 1);
      pixels += static_cast<std::size_t>(block) * width * bytesPerPixel *
                static_cast<std::size_t>(texture.height);
    }
  }
  [[nodiscard]] const std::uint8_t* at(int x, int y) const {
    return pixels + (static_cast<std::size_t>(x - x0) + static_cast<std::size_t>(y - y0) * width) *
                        bytesPerPixel;
  }
  // Whether bytes bytes from pixel (x, y) on are inside the record.
  [[nodiscard]] bool holds(int x, int y, std::size_t bytes) const {
    return bytes <= static_cast<std::size_t>(end - at(x, y));
  }
  const std::uint8_t* pixels;
  std::size_t width;
  std::size_t bytesPerPixel;
  int x0;
  int y0;
  const std::uint8_t* end;
};

// A row of a blocFile's colours is 153 channels. Vector loops of 64 bytes leave 25 of them to
// a scalar loop, which cost as much as the rest; 160 end on a vector loop of 32. The 7 more
// channels are read from the next row of the images (where the records hold it) and written
// over by the next row's colours.
constexpr int kRowChannels = 3 * kSpan;
constexpr int kPaddedRowChannels = (kRowChannels + 31) / 32 * 32;

// The diffuse factor of each pixel from its unnormalised vertex normal.
QUORVEL_WIDE_CLONES void diffuseFactors(int count, const float* sumX, const float* sumY,
                                        const float* sumZ, Vector3 light, double* diffuse) {
  for (int i = 0; i < count; ++i) {
    Vector3 normal{sumX[i], sumY[i], sumZ[i]};
    normalize(normal);
    diffuse[i] = diffuseFactor(normal, light);
  }
}

// count lit colour channels (red, green, blue for each pixel), from the bytes of the same
// channels of the four colour images and each pixel's diffuse factor repeated for its three
// channels: one loop over every channel, whose byte-to-factor conversions run in vector lanes
// too.
QUORVEL_WIDE_CLONES void litColors(int count, const double* diffuse, const std::uint8_t* difLight,
                                   const std::uint8_t* difMat, const std::uint8_t* ambLight,
                                   const std::uint8_t* ambMat, std::uint8_t* out) {
  for (int k = 0; k < count; ++k) {
    out[k] = litChannel(diffuse[k], colorFactor(difLight[k]), colorFactor(difMat[k]),
                        colorFactor(ambLight[k]), colorFactor(ambMat[k]));
  }
}

// The same under a sky-view factor per channel.
QUORVEL_WIDE_CLONES void litColorsUnderSky(int count, const double* diffuse, const double* sky,
                                           const std::uint8_t* difLight,
                                           const std::uint8_t* difMat,
                                           const std::uint8_t* ambLight,
                                           const std::uint8_t* ambMat, std::uint8_t* out) {
  for (int k = 0; k < count; ++k) {
    out[k] = litChannel(diffuse[k], colorFactor(difLight[k]), colorFactor(difMat[k]),
                        colorFactor(ambLight[k]), colorFactor(ambMat[k]), sky[k]);
  }
}

// The altitudes of blocFile (bx, by) and of a ring of one pixel round it, as Altitude values,
// so that the interior pixels' neighbours are read without bounds tests; the ring outside the
// image stays 0 and reaches no result, since border pixels go through the guarded sum. The
// record holds at least these pixels of the image (a world's tile holds its own and a ring).
template <class Sample, class Altitude>
void fillWindow(const Texture& alt, int bx, int by, Altitude* window) {
  const int x0 = kBlocFilePixels * bx - 1;
  const int y0 = kBlocFilePixels * by - 1;
  // The window's columns inside the image, the same in every row: a plain copy between.
  const int first = std::max(0, -x0);
  const int end = std::max(first, std::min(kWindow, alt.fileWidth - x0));
  for (int j = 0; j < kWindow; ++j) {
    const int y = y0 + j;
    Altitude* row = window + j * kWindow;
    if (y < 0 || y >= alt.fileHeight) {
      std::fill(row, row + kWindow, Altitude{0});
      continue;
    }
    const std::uint8_t* samples =
        alt.pixels.data() + (static_cast<std::size_t>(y - alt.y0) * alt.width +
                             static_cast<std::size_t>(x0 + first - alt.x0)) *
                                sizeof(Sample);
    std::fill(row, row + first, Altitude{0});
    for (int i = first; i < end; ++i) {
      Sample sample;
      std::memcpy(&sample, samples + static_cast<std::size_t>(i - first) * sizeof(Sample),
                  sizeof sample);
      row[i] = static_cast<Altitude>(sample);
    }
    std::fill(row + end, row + kWindow, Altitude{0});
  }
}

// The sum of the triangle normals at a pixel none of whose neighbours is outside the image,
// for the Count kinds from First on: the same sum as vertexNormalSumOf, with the ring
// unrolled and the neighbours read from the window. A cell centre's ring is its cell's fan,
// edges from the same pixel, so the normals summed there are also the cell's face normals:
// kept gives them to the caller.
template <int First, int Count, class Altitude, class NormalOf>
Vector3 ringNormalSum(const Altitude* centre, const NormalOf& normalOf, Vector3* kept = nullptr) {
  const Altitude h = *centre;
  Vector3 local[Count];
  Vector3* normals = kept != nullptr ? kept : local;
  for (int k = 0; k < Count; ++k) {
    const TriangleKind& triangle = kTriangleKinds[First + k];
    normals[k] = normalOf(First + k, centre[triangle.first.dy * kWindow + triangle.first.dx] - h,
                          centre[triangle.second.dy * kWindow + triangle.second.dx] - h);
  }
  return sumInRingOrder(normals, Count);
}

// A row's offsets of one kind: every other pixel of the row (a pixel meets either the fan
// kinds or the axis kinds, which alternate along a row), and as many more as make whole
// vectors, whose offsets are never used.
constexpr int kOffsetRow = 32;
// A window's columns of each parity apart, [parity][row][column / 2], so that every other
// pixel's altitudes are read in order; zeros past the 27 columns of a parity, for the
// offsets' further lanes.
constexpr int kSplitColumns = kOffsetRow + 2;
using SplitWindow = int[2][kWindow][kSplitColumns];

QUORVEL_WIDE_CLONES void splitWindow(const int* window, SplitWindow& split) {
  for (int r = 0; r < kWindow; ++r) {
    for (int parity = 0; parity < 2; ++parity) {
      const int* row = window + r * kWindow + parity;
      const int columns = (kWindow + 1 - parity) / 2;
      int* to = split[parity][r];
      for (int n = 0; n < columns; ++n) to[n] = row[2 * n];
      std::fill(to + columns, to + kSplitColumns, 0);
    }
  }
}

// Where each kind's altitudes lie in a SplitWindow, for the row before the window's first
// (add the row's place in the window times kSplitColumns): its pixels' own, and those of its
// triangle's two other corners, [j % 2][kind]. Pixel i of row j meets the fan kinds where
// i % 2 is j % 2, the axis kinds elsewhere; pixel i = 2 m + parity lies in window column i + 1.
struct KindStreams {
  int centre, first, second;
};
constexpr auto kKindStreams = [] {
  std::array<std::array<KindStreams, kTriangleKindCount>, 2> streams{};
  for (int rowParity = 0; rowParity < 2; ++rowParity) {
    for (int kind = 0; kind < kTriangleKindCount; ++kind) {
      const int parity = kind < kFanKinds ? rowParity : 1 - rowParity;
      const auto at = [&](PixelOffset step) {
        const int column = parity + 1 + step.dx;
        return (column % 2 * kWindow + 1 + step.dy) * kSplitColumns + column / 2;
      };
      const TriangleKind& triangle = kTriangleKinds[kind];
      streams[rowParity][kind] = {at({0, 0}), at(triangle.first), at(triangle.second)};
    }
  }
  return streams;
}();

// Row j's triangle normals in the table, as the byte offsets of their entries from the
// table's first: offsets[kind * kOffsetRow + i / 2] for pixel i of the row, each kind only at
// the pixels that meet it, so that the loop runs in vector lanes over only the offsets that
// are used. Where a pixel's triangle leaves the image, the offset is never used.
QUORVEL_WIDE_CLONES void tableOffsets(const SplitWindow& split, int j, int pitch,
                                      const int* origins, std::int32_t* __restrict offsets) {
  const int* row = &split[0][0][0] + j * kSplitColumns;
  for (int kind = 0; kind < kTriangleKindCount; ++kind) {
    const KindStreams& streams = kKindStreams[static_cast<std::size_t>(j % 2)][kind];
    const int* __restrict centre = row + streams.centre;
    const int* __restrict first = row + streams.first;
    const int* __restrict second = row + streams.second;
    const int origin = origins[kind];
    for (int m = 0; m < kOffsetRow; ++m) {
      const int h = centre[m];
      offsets[kind * kOffsetRow + m] = static_cast<std::int32_t>(sizeof(Vector3)) *
                                       (origin + (first[m] - h) * pitch + (second[m] - h));
    }
  }
}

// A row's ring normals from the triangle table: its pixels' altitudes from row on, and their
// entries' offsets (tableOffsets).
struct TableRow {
  const int* row;
  const std::int32_t* offsets;
  const unsigned char* entries;
};

// ringNormalSum through the triangle table, x, y and z added side by side in the first three
// lanes of a vector. kept receives the cell's face normals as above: each is stored with its
// fourth lane, which the next overwrites, the last with three.
template <int First, int Count>
Vector3 ringNormalSum(const int* centre, const TableRow& table, Vector3* kept = nullptr) {
  const std::int32_t* offsets = table.offsets + (centre - table.row) / 2;
  FourLanes normals[Count];
  for (int k = 0; k < Count; ++k) {
    std::memcpy(&normals[k], table.entries + offsets[(First + k) * kOffsetRow],
                sizeof(FourLanes));
    if (kept != nullptr) {
      std::memcpy(&kept[k], &normals[k], k + 1 < Count ? sizeof(FourLanes) : sizeof(Vector3));
    }
  }
  FourLanes sum = normals[0] + normals[1];  // as sumInRingOrder: no zero to start from
  for (int k = 2; k < Count; ++k) sum += normals[k];
  return Vector3{sum[0], sum[1], sum[2]};
}

}  // namespace

BlocEncoder::BlocEncoder(const Terrain& terrain, const TriangleTable* table,
                         const Shading& shading)
    : terrain_(terrain), table_(table), shading_(shading) {
  // A height depends on nothing but the altitude sample, so for 8-bit and 16-bit samples
  // each is worked out once per run.
  const SampleFormat format = terrain.alt.sampleFormat;
  int values = 0;
  if (format == SampleFormat::kUInt8) {
    values = 256;
  } else if (format == SampleFormat::kUInt16 || format == SampleFormat::kInt16) {
    values = 65536;
    lowestSample_ = format == SampleFormat::kInt16 ? -32768 : 0;
  }
  heightBits_.resize(static_cast<std::size_t>(values));
  for (int n = 0; n < values; ++n) {
    heightBits_[static_cast<std::size_t>(n)] =
        std::bit_cast<std::uint32_t>(heightOf(n + lowestSample_, terrain.settings));
  }
}

void BlocEncoder::encode(int bx, int by, std::uint8_t* out) const {
  encode(bx, by, {&terrain_.difMat, &terrain_.ambMat, &terrain_.difLight, &terrain_.ambLight},
         out);
}

void BlocEncoder::encode(int bx, int by, const ColourImages& colours, std::uint8_t* out) const {
  const Texture& alt = terrain_.alt;
  if (alt.sampleFormat == SampleFormat::kUInt8 && table_ != nullptr) {
    int window[kWindow * kWindow];
    fillWindow<std::uint8_t>(alt, bx, by, window);
    encodeFrom(window, window, bx, by, colours, out);
    return;
  }
  const bool sixteenBit =
      alt.sampleFormat == SampleFormat::kUInt16 || alt.sampleFormat == SampleFormat::kInt16;
  double window[kWindow * kWindow];
  if (sixteenBit && table_ != nullptr) {
    int samples[kWindow * kWindow];
    if (alt.sampleFormat == SampleFormat::kUInt16) {
      fillWindow<std::uint16_t>(alt, bx, by, samples);
    } else {
      fillWindow<std::int16_t>(alt, bx, by, samples);
    }
    int steps[kWindow * kWindow];
    if (table_->coversImage()) {
      // Every two neighbours of the image lie within the table, their samples a whole number of
      // steps apart, a power of two: a sample's bits above the step's count its steps, whose
      // differences are the table's rises. The ring outside the image is never read.
      const int shift = std::countr_zero(static_cast<unsigned>(table_->step()));
      if (shift == 0) {
        encodeFrom(samples, samples, bx, by, colours, out);
        return;
      }
      for (int k = 0; k < kWindow * kWindow; ++k) steps[k] = samples[k] >> shift;
      encodeFrom(steps, samples, bx, by, colours, out);
      return;
    }
    if (inSteps(samples, bx, by, steps)) {
      encodeFrom(steps, samples, bx, by, colours, out);
      return;
    }
    std::copy(samples, samples + kWindow * kWindow, window);
  } else {
    // Every sample type converts to double exactly, so a difference of two 8-bit, 16-bit or
    // 32-bit samples is exact too; 64-bit floats differ with one rounding, as the rule says.
    visitSample(alt.sampleFormat, [&]<class Sample>(Sample) {
      fillWindow<Sample>(alt, bx, by, window);
    });
    if (table_ != nullptr && !sixteenBit) {
      int steps[kWindow * kWindow];
      if (table_->coversImage()) {
        // As for 16-bit samples: whole numbers below 2^31 in size, each as an int's bits.
        const int shift = std::countr_zero(static_cast<unsigned>(table_->step()));
        for (int k = 0; k < kWindow * kWindow; ++k) {
          steps[k] = static_cast<int>(window[k]) >> shift;
        }
        encodeFrom(steps, window, bx, by, colours, out);
        return;
      }
      if (realsInSteps(window, bx, by, steps)) {
        encodeFrom(steps, window, bx, by, colours, out);
        return;
      }
    }
  }
  encodeFrom(window, window, bx, by, colours, out);
}

BlocEncoder::WindowInImage BlocEncoder::inImage(int bx, int by) const {
  const int x0 = kBlocFilePixels * bx - 1;
  const int y0 = kBlocFilePixels * by - 1;
  return {std::max(0, -x0), std::min(kWindow, terrain_.alt.fileWidth - x0), std::max(0, -y0),
          std::min(kWindow, terrain_.alt.fileHeight - y0)};
}

// 32-bit and real samples that are whole numbers (elevation models in whole metres, stored as
// floats) take the table as 16-bit ones do, where the blocFile's samples in the image are
// each the lowest of them plus a whole number of steps, at most the table's largest rise:
// every difference of two of them is then exact and is one the table holds, so the normals
// are the bits the direct route would give. The window's ring outside the image gets 0.
bool BlocEncoder::realsInSteps(const double* window, int bx, int by, int* steps) const {
  const auto [firstColumn, endColumn, firstRow, endRow] = inImage(bx, by);
  double low = window[firstRow * kWindow + firstColumn];
  for (int j = firstRow; j < endRow; ++j) {
    for (int i = firstColumn; i < endColumn; ++i) low = std::min(low, window[j * kWindow + i]);
  }
  const double step = table_->step();
  const double highest = table_->maxRise() * step;
  // The product with the reciprocal is within a rounding of the whole number of steps, which
  // the exact product then confirms: a division per sample would cost more.
  const double reciprocal = 1.0 / step;
  std::fill_n(steps, kWindow * kWindow, 0);
  bool whole = true;
  for (int j = firstRow; j < endRow; ++j) {
    for (int i = firstColumn; i < endColumn; ++i) {
      double rise = window[j * kWindow + i] - low;
      // NaN too; the rise is then 0, so that the conversion below stays defined.
      const bool inRange = rise >= 0.0 && rise <= highest;
      rise = inRange ? rise : 0.0;
      const int count = static_cast<int>(rise * reciprocal + 0.5);
      whole &= inRange && count * step == rise;
      steps[j * kWindow + i] = count;
    }
  }
  return whole;
}

// A 16-bit blocFile's samples differ by whole numbers of the table's step (altitudeStep); when
// those in the image span at most the table's largest rise, steps receives each as its number
// of steps above the lowest, and every difference of two of them is a difference the table
// holds. The window's ring outside the image is never read.
bool BlocEncoder::inSteps(const int* window, int bx, int by, int* steps) const {
  const auto [firstColumn, endColumn, firstRow, endRow] = inImage(bx, by);
  int low = window[firstRow * kWindow + firstColumn];
  int high = low;
  for (int j = firstRow; j < endRow; ++j) {
    for (int i = firstColumn; i < endColumn; ++i) {
      low = std::min(low, window[j * kWindow + i]);
      high = std::max(high, window[j * kWindow + i]);
    }
  }
  const int step = table_->step();
  if (high - low > table_->maxRise() * step) return false;
  // Whole multiples of the step, at most 255 of them: the product with the reciprocal is
  // within a rounding of the whole number, which a division per sample would cost more to
  // find. The ring's values, never read, land anywhere within int.
  const double reciprocal = 1.0 / step;
  for (int k = 0; k < kWindow * kWindow; ++k) {
    steps[k] = static_cast<int>((window[k] - low) * reciprocal + 0.5);
  }
  return true;
}

// Altitude is int for the triangle table: 8-bit samples, or 16-bit ones in steps (inSteps),
// double for the direct route. samples holds the altitudes the heights come from: 8-bit or
// 16-bit samples as ints, whose heights are looked up, or the doubles of the direct route.
template <class Altitude, class Sample>
void BlocEncoder::encodeFrom(const Altitude* window, const Sample* samples, int bx, int by,
                             const ColourImages& colours, std::uint8_t* out) const {
  constexpr bool kFromTable = std::is_same_v<Altitude, int>;
  const PixelView difMat(*colours[0], bx);
  const PixelView ambMat(*colours[1], bx);
  const PixelView difLight(*colours[2], bx);
  const PixelView ambLight(*colours[3], bx);
  const int width = terrain_.alt.fileWidth;  // the image's borders, wherever the tile lies
  const int height = terrain_.alt.fileHeight;
  const Settings& settings = terrain_.settings;
  const Vector3 light = settings.lightDirection;
  const int x0 = kBlocFilePixels * bx;
  const int y0 = kBlocFilePixels * by;
  // Pixel (x, y) of the image, for the pixels of the span and their neighbours.
  const auto altitude = [window, x0, y0](int x, int y) {
    return window[(y - y0 + 1) * kWindow + (x - x0 + 1)];
  };
  // Room for the last row's padded channels, which the last colour's move also reads.
  std::uint8_t colors[kSpan * kSpan + 3][3];
  std::memset(colors[kSpan * kSpan], 0, 9);
  std::uint32_t heights[kSpan * kSpan];
  // Each pixel's sum of triangle normals, before it is normalised.
  float sumX[kSpan * kSpan];
  float sumY[kSpan * kSpan];
  float sumZ[kSpan * kSpan];
  double diffuse[kSpan * kSpan];
  double channelDiffuse[kPaddedRowChannels] = {};
  double channelSky[kPaddedRowChannels] = {};
  Vector3 faceNormals[kCells * kCells][kFanKinds];  // by cell, the cells' rows in turn
  // A world tile's colour windows hold whole rows of the tile, each a few kilobytes from the
  // next, which the processor does not fetch ahead by itself: the span's lines of the cache
  // are asked for now and arrive while the normals are worked out. Blocks of a blocFile's
  // columns (quorvel's bands) lie in order and need none of it. Only speed.
  for (const PixelView* view : {&difMat, &ambMat, &difLight, &ambLight}) {
    if (view->width == static_cast<std::size_t>(kSpan)) continue;
    for (int j = 0; j < kSpan; ++j) {
      const std::uint8_t* row = view->at(x0, y0 + j);
      for (std::size_t b = 0; b < view->bytesPerPixel * kSpan; b += 64) __builtin_prefetch(row + b);
      __builtin_prefetch(row + view->bytesPerPixel * kSpan - 1);
    }
  }
  // Where no value can be infinite or NaN, every pixel as if it were inside the image (the
  // window's ring holds zeros), in vector lanes; the pixels on the image's border are done
  // again in the row loop. Elsewhere each pixel is summed on its own, as with the table.
  bool direct = false;
  if constexpr (!kFromTable) {
    direct = directNormalsExact(window, settings.zScaleFactor);
    if (direct) directNormalSums(window, settings.zScaleFactor, sumX, sumY, sumZ, faceNormals);
  }
  const auto normalOf = [&](int kind, Altitude rise1, Altitude rise2) {
    if constexpr (kFromTable) {
      return table_->normal(kind, rise1, rise2);
    } else {
      return triangleNormal(kind, rise1, rise2, settings.zScaleFactor);
    }
  };
  // Where the interior's rings find their triangles' normals.
  std::int32_t offsets[kTriangleKindCount * kOffsetRow];
  int origins[kTriangleKindCount] = {};
  TableRow tableRow{nullptr, offsets, nullptr};
  SplitWindow split;
  if constexpr (kFromTable) {
    splitWindow(window, split);
    for (int kind = 0; kind < kTriangleKindCount; ++kind) origins[kind] = table_->origin(kind);
    tableRow.entries = reinterpret_cast<const unsigned char*>(table_->entries());
  }
  const auto& ringNormals = [&]() -> const auto& {
    if constexpr (kFromTable) {
      return tableRow;
    } else {
      return normalOf;
    }
  }();
  for (int j = 0; j < kSpan; ++j) {
    const int y = y0 + j;
    const Altitude* row = &window[(j + 1) * kWindow + 1];
    float* rowX = &sumX[j * kSpan];
    float* rowY = &sumY[j * kSpan];
    float* rowZ = &sumZ[j * kSpan];
    if constexpr (std::is_same_v<Sample, int>) {
      const int* sampleRow = &samples[(j + 1) * kWindow + 1];
      for (int i = 0; i < kSpan; ++i) {
        heights[j * kSpan + i] = heightBits_[static_cast<std::size_t>(sampleRow[i] - lowestSample_)];
      }
    } else {
      const Sample* sampleRow = &samples[(j + 1) * kWindow + 1];
      for (int i = 0; i < kSpan; ++i) {
        heights[j * kSpan + i] = std::bit_cast<std::uint32_t>(heightOf(sampleRow[i], settings));
      }
    }
    const bool interiorRow = y > 0 && y < height - 1;
    if constexpr (kFromTable) {
      tableRow.row = row;
      if (interiorRow) tableOffsets(split, j, table_->pitch(), origins, offsets);
    }
    for (int i = 0; !direct && interiorRow && i < kSpan; ++i) {
      const int x = x0 + i;
      Vector3 sum;
      if (i % 2 == 1 && j % 2 == 1) {
        // A cell centre: never on the image's border, since the cells tile the image.
        sum = ringNormalSum<0, kFanKinds>(&row[i], ringNormals,
                                          faceNormals[j / 2 * kCells + i / 2]);
      } else if (x > 0 && x < width - 1) {
        sum = i % 2 == j % 2 ? ringNormalSum<0, kFanKinds>(&row[i], ringNormals)
                             : ringNormalSum<kFanKinds, kAxisKinds>(&row[i], ringNormals);
      } else {
        continue;  // on the image's border: below
      }
      rowX[i] = sum.x;
      rowY[i] = sum.y;
      rowZ[i] = sum.z;
    }
    for (int i = 0; i < kSpan; ++i) {
      const int x = x0 + i;
      if (interiorRow && x > 0 && x < width - 1) continue;
      const Vector3 sum = vertexNormalSumOf(x, y, width, height, altitude, normalOf);
      rowX[i] = sum.x;
      rowY[i] = sum.y;
      rowZ[i] = sum.z;
    }
  }
  // Over the whole span at once rather than a row at a time: each pixel's square root and
  // divisions wait long for their results, and a row's 51 pixels were too few vectors to
  // overlap those waits.
  diffuseFactors(kSpan * kSpan, sumX, sumY, sumZ, light, diffuse);
  // The sun's shadows need the whole span's factors: its marches run along rows or columns.
  if (shading_.sun != nullptr) shading_.sun->shade(x0, y0, kSpan, diffuse);
  const std::size_t shadingColumns =
      shading_.columns > 0 ? static_cast<std::size_t>(shading_.columns)
                           : static_cast<std::size_t>(width);
  const auto shadingAt = [&](int y) {
    return static_cast<std::size_t>(y - shading_.y0) * shadingColumns +
           static_cast<std::size_t>(x0 - shading_.x0);
  };
  if (shading_.sunShares != nullptr) {
    for (int j = 0; j < kSpan; ++j) {
      const double* shares = shading_.sunShares + shadingAt(y0 + j);
      for (int i = 0; i < kSpan; ++i) {
        double& d = diffuse[j * kSpan + i];
        if (d > 0.0) d = d * shares[i];
      }
    }
  }
  for (int j = 0; j < kSpan; ++j) {
    const int y = y0 + j;
    for (int i = 0; i < kSpan; ++i) {
      channelDiffuse[3 * i] = channelDiffuse[3 * i + 1] = channelDiffuse[3 * i + 2] =
          diffuse[j * kSpan + i];
    }
    const std::size_t padded = kPaddedRowChannels;
    const int channels = difLight.holds(x0, y, padded) && difMat.holds(x0, y, padded) &&
                                 ambLight.holds(x0, y, padded) && ambMat.holds(x0, y, padded)
                             ? kPaddedRowChannels
                             : kRowChannels;
    if (shading_.skyOcclusion == nullptr) {
      litColors(channels, channelDiffuse, difLight.at(x0, y), difMat.at(x0, y), ambLight.at(x0, y),
                ambMat.at(x0, y), colors[j * kSpan]);
    } else {
      const double* occlusion = shading_.skyOcclusion + shadingAt(y);
      for (int i = 0; i < kSpan; ++i) {
        channelSky[3 * i] = channelSky[3 * i + 1] = channelSky[3 * i + 2] = 1.0 - occlusion[i];
      }
      litColorsUnderSky(channels, channelDiffuse, channelSky, difLight.at(x0, y), difMat.at(x0, y),
                        ambLight.at(x0, y), ambMat.at(x0, y), colors[j * kSpan]);
    }
  }

  for (int sy = 0; sy < kSubBlocksPerSide; ++sy) {
    for (int sx = 0; sx < kSubBlocksPerSide; ++sx) {
      for (int cy = 0; cy < kCellsPerSide; ++cy) {
        for (int cx = 0; cx < kCellsPerSide; ++cx) {
          const int i = kSubBlockPixels * sx + kCellPixels * cx + 1;  // the centre, in the block
          const int j = kSubBlockPixels * sy + kCellPixels * cy + 1;
          // Few, wide stores: the cells are most of the bytes the tool writes. Each colour is
          // moved as four bytes, the fourth overwritten by the next colour, the last one's by
          // the first height, which is why the heights come after all the colours.
          for (int k = 0; k < kVerticesPerCell; ++k) {
            const int v = (j + kCellVertices[k].dy) * kSpan + i + kCellVertices[k].dx;
            std::memcpy(out + kColorsOffset + 3 * k, &colors[0][0] + 3 * v, 4);
          }
          for (int k = 0; k < kVerticesPerCell; ++k) {
            const int v = (j + kCellVertices[k].dy) * kSpan + i + kCellVertices[k].dx;
            storeLe32(out + kHeightsOffset + 4 * k, heights[v]);
          }
          const Vector3* normals = faceNormals[j / 2 * kCells + i / 2];
          if constexpr (kNormalsAsStored) {
            std::memcpy(out + kNormalsOffset, normals, sizeof(Vector3) * kFanKinds);
          } else {
            for (int kind = 0; kind < kFanKinds; ++kind) {
              std::uint8_t* at = out + kNormalsOffset + 12 * kind;
              storeLeFloat(at, normals[kind].x);
              storeLeFloat(at + 4, normals[kind].y);
              storeLeFloat(at + 8, normals[kind].z);
            }
          }
          out += kCellBytes;
        }
      }
    }
  }
}

}  // namespace quorvel
