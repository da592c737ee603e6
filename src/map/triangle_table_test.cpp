#include "map/triangle_table.h"

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "map/bloc_encoder.h"
#include "map/map_format.h"
#include "memory_texture.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::MemoryTexture;
using Bits = std::array<std::uint32_t, 3>;

Bits bitsOf3(const Vector3& v) { return {test::bitsOf(v.x), test::bitsOf(v.y), test::bitsOf(v.z)}; }

// The fan of a MapCell centred on an altitude of 10 whose neighbours are, by rows,
// 3 200 41 / 96 _ 17 / 0 250 20, at z scales that are not short binary fractions: each edge's
// z is rounded before the cross product, and g++'s SLP vectoriser has been seen to lose such a
// rounding. Worked out apart from this code (double arithmetic, a float rounding where each
// component is stored). The same bits must come from each place the tool computes them, each
// compiled in its own file: triangleNormal inlined here, the table, and the encoder.
TEST(TriangleTable, OddZScalesGiveTheWorkedOutBitsEverywhere) {
  struct Triangle {
    int kind;
    int rise1;
    int rise2;
    Bits normal;
  };
  struct Case {
    float zScaleFactor;
    std::array<Triangle, 8> fan;
  };
  const Case cases[] = {
      {-1.7f,
       {{{0, 7, 10, {0x3f3a3878, 0x3e9f9e1b, 0x3f1c7ce5}},
         {1, 10, 240, {0xbf31199d, 0x3f38ccd0, 0x3c90f0f3}},
         {2, 240, -10, {0x3f38a608, 0x3f31433b, 0x3c8b078d}},
         {3, -10, 86, {0xbf2aa350, 0xbf3e7ac5, 0x3d3abea3}},
         {4, 86, -7, {0xbf2d9ed3, 0x3f3bc097, 0x3d3e0237}},
         {5, -7, 190, {0x3f38388d, 0xbf31accc, 0x3cb00656}},
         {6, 190, 31, {0xbf243f43, 0xbf444527, 0x3cc2727b}},
         {7, 31, 7, {0x3e8b8c91, 0xbf6f3a1d, 0x3e6a8949}}}}},
      {3.7f,
       {{{0, 7, 10, {0xbf5dc053, 0xbebe1290, 0x3eab3c8b}},
         {1, 10, 240, {0x3f311f36, 0xbf38d2a8, 0x3c0534a7}},
         {2, 240, -10, {0xbf38ab67, 0xbf314863, 0x3bff8aef}},
         {3, -10, 86, {0x3f2ac72d, 0x3f3ea2cd, 0x3cabbe7d}},
         {4, 86, -7, {0x3f2dc499, 0xbf3be970, 0x3caec03e}},
         {5, -7, 190, {0xbf384125, 0x3f31b515, 0x3c21c82d}},
         {6, 190, 31, {0x3f24489b, 0x3f445053, 0x3c32b88e}},
         {7, 31, 7, {0xbe8e878e, 0x3f745619, 0x3ddc1f70}}}}},
  };

  // One blocFile whose first cell is that fan; the rest of alt is flat.
  constexpr int kSide = kBlocFilePixels + 1;
  const int fan[3][3] = {{3, 200, 41}, {96, 10, 17}, {0, 250, 20}};
  Bytes altPixels(kSide * kSide, 0);
  for (int y = 0; y < 3; ++y) {
    for (int x = 0; x < 3; ++x) altPixels[y * kSide + x] = static_cast<std::uint8_t>(fan[y][x]);
  }
  const MemoryTexture alt("alt.bmp", kSide, kSide, 1, altPixels);
  const MemoryTexture colour("DifMat.bmp", kSide, kSide, 3, Bytes(3 * kSide * kSide, 128));

  for (const Case& c : cases) {
    SCOPED_TRACE("z scale " + std::to_string(c.zScaleFactor));
    const TriangleTable table(c.zScaleFactor, 1, 255, 1);
    const Terrain terrain{alt, colour, colour, colour, colour, Settings{{0, 0, 1}, c.zScaleFactor, 0, {}}};
    std::vector<std::uint8_t> record(kBlocFileBytes);
    BlocEncoder(terrain, nullptr).encode(0, 0, record.data());
    for (const Triangle& t : c.fan) {
      SCOPED_TRACE("triangle " + std::to_string(t.kind + 1));
      EXPECT_EQ(bitsOf3(triangleNormal(t.kind, t.rise1, t.rise2, c.zScaleFactor)), t.normal);
      EXPECT_EQ(bitsOf3(table.normal(t.kind, t.rise1, t.rise2)), t.normal);
      const Bytes stored(record.begin() + kNormalsOffset + 12 * t.kind,
                         record.begin() + kNormalsOffset + 12 * t.kind + 12);
      EXPECT_EQ((Bits{test::getLe32(stored, 0), test::getLe32(stored, 4), test::getLe32(stored, 8)}),
                t.normal);
    }
  }
}

}  // namespace
}  // namespace quorvel
