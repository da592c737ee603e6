#pragma once

#include <array>
#include <cstdint>

// The terrain file, little-endian throughout:
//   header   int32 largeur (blocFiles across), int32 hauteur (blocFiles down)
//   body     largeur x hauteur blocFile records, rows of increasing y, each of increasing x
//   blocFile 5 x 5 SubBlocks, SubBlock (sx, sy) at (5 * sy + sx) * kSubBlockBytes
//   SubBlock 5 x 5 MapCells, MapCell (cx, cy) at (5 * cy + cx) * kCellBytes
//   MapCell  9 colours (red, green, blue bytes), 9 float32 heights, 8 triangle normals
//            (float32 x, y, z); vertex 0 is the centre, 1..8 run counter-clockwise from +x,
//            triangle k is (vertex 0, vertex k, vertex k + 1) with vertex 9 meaning vertex 1.
// Neighbouring records repeat their shared border vertices; there is no padding anywhere.

namespace quorvel {

inline constexpr int kBlocFilePixels = 50;
inline constexpr int kSubBlockPixels = 10;
inline constexpr int kCellPixels = 2;
inline constexpr int kSubBlocksPerSide = kBlocFilePixels / kSubBlockPixels;
inline constexpr int kCellsPerSide = kSubBlockPixels / kCellPixels;
inline constexpr int kMaxBlocFiles = 100;  // each way

inline constexpr int kVerticesPerCell = 9;
inline constexpr int kTrianglesPerCell = 8;

inline constexpr std::int64_t kHeaderBytes = 8;
inline constexpr std::int64_t kColorsOffset = 0;
inline constexpr std::int64_t kHeightsOffset = kColorsOffset + 3 * kVerticesPerCell;
inline constexpr std::int64_t kNormalsOffset = kHeightsOffset + 4 * kVerticesPerCell;
inline constexpr std::int64_t kCellBytes = kNormalsOffset + 12 * kTrianglesPerCell;
inline constexpr std::int64_t kSubBlockBytes = kCellBytes * kCellsPerSide * kCellsPerSide;
inline constexpr std::int64_t kBlocFileBytes = kSubBlockBytes * kSubBlocksPerSide * kSubBlocksPerSide;

static_assert(kCellBytes == 27 + 36 + 96);
static_assert(kSubBlockBytes == 3975);
static_assert(kBlocFileBytes == 99375);

struct PixelOffset {
  int dx;
  int dy;
};

// A MapCell's vertices from its centre: the centre, then counter-clockwise from +x.
inline constexpr std::array<PixelOffset, kVerticesPerCell> kCellVertices{{
    {0, 0}, {1, 0}, {1, 1}, {0, 1}, {-1, 1}, {-1, 0}, {-1, -1}, {0, -1}, {1, -1}}};

[[nodiscard]] constexpr std::int64_t mapFileBytes(std::int64_t largeur, std::int64_t hauteur) {
  return kHeaderBytes + largeur * hauteur * kBlocFileBytes;
}

// Byte offset of the MapCell whose origin (smallest x, y) is pixel (ox, oy); both even.
[[nodiscard]] constexpr std::int64_t cellOffset(std::int64_t largeur, std::int64_t ox,
                                                std::int64_t oy) {
  const std::int64_t bx = ox / kBlocFilePixels;
  const std::int64_t by = oy / kBlocFilePixels;
  const std::int64_t sx = ox % kBlocFilePixels / kSubBlockPixels;
  const std::int64_t sy = oy % kBlocFilePixels / kSubBlockPixels;
  const std::int64_t cx = ox % kSubBlockPixels / kCellPixels;
  const std::int64_t cy = oy % kSubBlockPixels / kCellPixels;
  return kHeaderBytes + (by * largeur + bx) * kBlocFileBytes +
         (kSubBlocksPerSide * sy + sx) * kSubBlockBytes + (kCellsPerSide * cy + cx) * kCellBytes;
}

// Byte offset of MapCell (cx, cy) of SubBlock (sx, sy) of blocFile (bx, by), the same record
// as the one above with origin (50 bx + 10 sx + 2 cx, 50 by + 10 sy + 2 cy).
[[nodiscard]] constexpr std::int64_t cellOffset(std::int64_t largeur, std::int64_t bx,
                                                std::int64_t by, std::int64_t sx, std::int64_t sy,
                                                std::int64_t cx, std::int64_t cy) {
  return kHeaderBytes + (by * largeur + bx) * kBlocFileBytes +
         (kSubBlocksPerSide * sy + sx) * kSubBlockBytes + (kCellsPerSide * cy + cx) * kCellBytes;
}

static_assert(cellOffset(1, 0, 0) == 8);
static_assert(cellOffset(1, 2, 0) == 167);
static_assert(cellOffset(1, 0, 2) == 803);
static_assert(cellOffset(1, 10, 0) == 3983);
static_assert(cellOffset(2, 50, 0) == 99383);
static_assert(cellOffset(3, 1, 2, 3, 4, 2, 1) == cellOffset(3, 50 + 30 + 4, 100 + 40 + 2));

}  // namespace quorvel
