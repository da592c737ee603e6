#include "map/normals.h"

#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <cstdint>
#include <functional>
#include <string>

#include "memory_texture.h"
#include "reference_map.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::bitsOf;
using test::Bytes;
using test::computeFaceNormals;
using test::computeVertexNormal;
using test::MemoryTexture;

using Bits = std::array<std::uint32_t, 3>;

Bits bitsOf3(const Vector3& v) { return {bitsOf(v.x), bitsOf(v.y), bitsOf(v.z)}; }
Bits bitsOf3(float x, float y, float z) { return {bitsOf(x), bitsOf(y), bitsOf(z)}; }

MemoryTexture altImage(int width, int height, const std::function<int(int, int)>& altitude) {
  Bytes pixels;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) pixels.push_back(static_cast<std::uint8_t>(altitude(x, y)));
  }
  return MemoryTexture("alt.bmp", width, height, 1, pixels);
}

Vector3 vertexNormal(const Texture& alt, float zScaleFactor, int x, int y) {
  Vector3 normal;
  computeVertexNormal(normal, alt, zScaleFactor, x, y);
  return normal;
}

TEST(Normals, FlatGroundHasNegativeZerosWhereTheFormulasPutThem) {
  const MemoryTexture alt = altImage(11, 11, [](int, int) { return 7; });
  const Bits up = bitsOf3(0.0f, 0.0f, 1.0f);
  struct Case {
    float zScaleFactor;
    std::array<Bits, 8> faces;
  };
  const Case cases[] = {
      {1.0f, {up, up, bitsOf3(0.0f, -0.0f, 1.0f), up, up, up, up, bitsOf3(-0.0f, 0.0f, 1.0f)}},
      {-1.0f, {up, up, up, up, bitsOf3(-0.0f, 0.0f, 1.0f), bitsOf3(0.0f, -0.0f, 1.0f), up, up}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("z scale " + std::to_string(c.zScaleFactor));
    std::array<Vector3, 8> faces;
    computeFaceNormals(faces, alt, c.zScaleFactor, 5, 5);
    for (int k = 0; k < 8; ++k) EXPECT_EQ(bitsOf3(faces[k]), c.faces[k]) << "triangle " << k + 1;
    // The negative zeros cancel in the sums: every vertex normal is exactly up.
    for (int y = 0; y < 11; ++y) {
      for (int x = 0; x < 11; ++x) {
        EXPECT_EQ(bitsOf3(vertexNormal(alt, c.zScaleFactor, x, y)), up) << x << ", " << y;
      }
    }
  }
}

TEST(Normals, UniformSlopeGivesOneNormalEverywhereBordersIncluded) {
  const MemoryTexture alt = altImage(51, 51, [](int x, int) { return x; });
  const Bits slope = bitsOf3(-0.0995037183f, 0.0f, 0.995037198f);
  for (int cy = 1; cy < 51; cy += 2) {
    for (int cx = 1; cx < 51; cx += 2) {
      std::array<Vector3, 8> faces;
      computeFaceNormals(faces, alt, 1.0f, cx, cy);
      for (int k = 0; k < 8; ++k) ASSERT_EQ(bitsOf3(faces[k]), slope) << cx << ", " << cy;
    }
  }
  for (int y = 0; y < 51; ++y) {
    for (int x = 0; x < 51; ++x) {
      ASSERT_EQ(bitsOf3(vertexNormal(alt, 1.0f, x, y)), slope) << x << ", " << y;
    }
  }
}

TEST(Normals, BumpFaceAndVertexNormals) {
  const int cx = 5;
  const int cy = 5;
  const MemoryTexture alt =
      altImage(11, 11, [](int x, int y) { return x == cx && y == cy ? 10 : 0; });
  const float a = 0.707106769f;
  const std::array<Bits, 8> expected = {
      bitsOf3(a, 0.0f, a),  bitsOf3(0.0f, a, a),  bitsOf3(0.0f, a, a),  bitsOf3(-a, 0.0f, a),
      bitsOf3(-a, 0.0f, a), bitsOf3(0.0f, -a, a), bitsOf3(0.0f, -a, a), bitsOf3(a, 0.0f, a)};
  std::array<Vector3, 8> faces;
  computeFaceNormals(faces, alt, 1.0f, cx, cy);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(bitsOf3(faces[k]), expected[k]) << "triangle " << k + 1;

  struct Case {
    int x;
    int y;
    Bits normal;
  };
  const Case cases[] = {
      {cx, cy, bitsOf3(0.0f, 0.0f, 1.0f)},
      {cx, cy - 1, bitsOf3(0.0f, -0.382683426f, 0.923879564f)},                 // four triangles
      {cx - 1, cy - 1, bitsOf3(-0.0945159569f, -0.0945159569f, 0.991026461f)},  // eight
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
    EXPECT_EQ(bitsOf3(vertexNormal(alt, 1.0f, c.x, c.y)), c.normal);
  }
}

// Values worked out apart from this code, from the triangle tables, on an uneven 5 x 3
// image with a fractional z scale, so that each skipped or counted triangle shows.
TEST(Normals, BorderVerticesSumOnlyTheTrianglesInsideTheImage) {
  const int rows[3][5] = {{10, 40, 25, 0, 90}, {60, 5, 200, 30, 15}, {0, 120, 75, 255, 50}};
  const MemoryTexture alt = altImage(5, 3, [&rows](int x, int y) { return rows[y][x]; });
  struct Case {
    int x;
    int y;
    Bits normal;
  };
  const Case cases[] = {
      {0, 0, {0x3e339d76, 0x3d8f8d85, 0x3f7b6436}},  // eight-triangle rule: 1 and 2 only
      {4, 2, {0x3f074dda, 0xbf4da0fd, 0x3e8ca644}},  // opposite corner: 5 and 6 only
      {1, 0, {0xbe10b1b2, 0x3f5c0a43, 0x3efb7970}},  // four-triangle rule: 1 and 2 only
      {0, 1, {0x3f7056ca, 0x3d39f81f, 0x3eaecac0}},  // four-triangle rule: 1 and 4 only
      {4, 0, {0xbf2f2a62, 0x3f179e07, 0x3ed9daf0}},  // eight-triangle rule: 3 and 4 only
      {2, 1, {0xbe486045, 0xbf168d3c, 0x3f48e661}},  // four triangles, all inside
      {3, 1, {0x3efe19e1, 0xbf381740, 0x3ef90936}},  // eight triangles, all inside
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.x) + ", " + std::to_string(c.y));
    EXPECT_EQ(bitsOf3(vertexNormal(alt, 0.5f, c.x, c.y)), c.normal);
  }

  const std::array<Bits, 8> faces = {{{0xbf56b8db, 0x3f09a472, 0x3db02ea7},
                                      {0x3eb82c37, 0xbf6b54f1, 0x3e23b587},
                                      {0xbf378155, 0xbf2fdbf2, 0x3df4ac72},
                                      {0x3f27fd0d, 0x3f37429a, 0x3e7458cd},
                                      {0x3f36eb3a, 0xbf264a35, 0x3e85082a},
                                      {0xbf18d674, 0x3f324f88, 0x3ecbc89b},
                                      {0x3eb28e6e, 0x3f5050d6, 0x3eee133e},
                                      {0xbf3df92f, 0xbf2a7d2a, 0x3d9be027}}};
  std::array<Vector3, 8> computed;
  computeFaceNormals(computed, alt, 0.5f, 1, 1);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(bitsOf3(computed[k]), faces[k]) << "triangle " << k + 1;
}

// With a z scale that is not a short binary fraction each edge's z is rounded to float
// before the cross product; an optimiser that keeps it in double moves these by a bit.
TEST(Normals, EdgeHeightIsRoundedToFloatBeforeTheCrossProduct) {
  const int rows[3][3] = {{3, 200, 41}, {96, 10, 17}, {0, 250, 20}};
  const MemoryTexture alt = altImage(3, 3, [&rows](int x, int y) { return rows[y][x]; });
  const std::array<Bits, 8> faces = {{{0x3f3a3878, 0x3e9f9e1b, 0x3f1c7ce5},
                                      {0xbf31199d, 0x3f38ccd0, 0x3c90f0f3},
                                      {0x3f38a608, 0x3f31433b, 0x3c8b078d},
                                      {0xbf2aa350, 0xbf3e7ac5, 0x3d3abea3},
                                      {0xbf2d9ed3, 0x3f3bc097, 0x3d3e0237},
                                      {0x3f38388d, 0xbf31accc, 0x3cb00656},
                                      {0xbf243f43, 0xbf444527, 0x3cc2727b},
                                      {0x3e8b8c91, 0xbf6f3a1d, 0x3e6a8949}}};
  std::array<Vector3, 8> computed;
  computeFaceNormals(computed, alt, -1.7f, 1, 1);
  for (int k = 0; k < 8; ++k) EXPECT_EQ(bitsOf3(computed[k]), faces[k]) << "triangle " << k + 1;
  EXPECT_EQ(bitsOf3(vertexNormal(alt, -1.7f, 1, 1)), (Bits{0xbe439945, 0xbf0c1a0b, 0x3f509b0d}));
  EXPECT_EQ(bitsOf3(vertexNormal(alt, -1.7f, 0, 0)), (Bits{0x3eeef683, 0x3ee32b4c, 0x3f43da95}));
}

TEST(Normals, ImageOnePixelHighHasNoTrianglesAndGivesNaN) {
  const MemoryTexture alt = altImage(4, 1, [](int x, int) { return 3 * x; });
  for (int x = 0; x < 4; ++x) {
    const Vector3 normal = vertexNormal(alt, 1.0f, x, 0);
    EXPECT_TRUE(std::isnan(normal.x) && std::isnan(normal.y) && std::isnan(normal.z)) << x;
  }
}

TEST(Normals, WriteFaceNormalsAppendsEightNormalsXyzInTriangleOrder) {
  const MemoryTexture alt = altImage(3, 3, [](int x, int y) { return x == 1 && y == 1 ? 10 : 0; });
  Bytes bytes;
  test::writeFaceNormals(bytes, alt, 1.0f, 1, 1);
  ASSERT_EQ(bytes.size(), 96u);
  const std::uint32_t a = 0x3f3504f3;  // 0.707106769
  const std::uint32_t minusA = 0xbf3504f3;
  const std::array<Bits, 8> expected = {{{a, 0, a},
                                         {0, a, a},
                                         {0, a, a},
                                         {minusA, 0, a},
                                         {minusA, 0, a},
                                         {0, minusA, a},
                                         {0, minusA, a},
                                         {a, 0, a}}};
  for (int k = 0; k < 8; ++k) {
    for (int c = 0; c < 3; ++c) {
      EXPECT_EQ(test::getLe32(bytes, static_cast<std::size_t>(12 * k + 4 * c)), expected[k][c])
          << "triangle " << k + 1 << " component " << c;
    }
  }
}

}  // namespace
}  // namespace quorvel
