#include "inspect/gltf_mesh.h"

#include <array>
#include <cstdint>
#include <random>
#include <vector>

#include <gtest/gtest.h>

#include "inspect/mesh_error.h"
#include "inspect_support.h"

namespace quorvel {
namespace {

using test::flatField;
using test::meshOf;

TEST(GltfMesh, TilesRectangleOnlyWhenEveryPointIsCoveredOnceWithoutCracks) {
  // The square of side 2: corners 0 to 3 counter-clockwise from (0, 0), its centre 4, the
  // middle of its bottom side 5; 6 to 9 are the corners again under other numbers.
  const HeightField field = flatField(3, 3);
  const std::vector<std::array<int, 2>> pixels = {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 1},
                                                  {1, 0}, {0, 0}, {2, 0}, {2, 2}, {0, 2}};
  struct Case {
    const char* what;
    std::vector<std::uint32_t> indices;
    bool tiles;
  };
  const Case cases[] = {
      {"two triangles", {0, 1, 2, 0, 2, 3}, true},
      {"a fan round the centre", {0, 1, 4, 1, 2, 4, 2, 3, 4, 3, 0, 4}, true},
      {"the bottom side split", {0, 5, 4, 5, 1, 4, 1, 2, 4, 2, 3, 4, 3, 0, 4}, true},
      {"one turned over", {0, 2, 1, 0, 2, 3}, false},
      {"a hole", {0, 1, 4, 1, 2, 4, 2, 3, 4}, false},
      {"a flat triangle along the side", {0, 1, 2, 0, 2, 3, 1, 0, 5}, false},
      {"the square twice", {0, 1, 2, 0, 2, 3, 6, 7, 8, 6, 8, 9}, false},
      // The centre on the diagonal of the other half: area and outline right, but a crack.
      {"a T-junction", {0, 1, 2, 0, 4, 3, 4, 2, 3}, false},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    EXPECT_EQ(tilesRectangle(field, meshOf(field, pixels, c.indices)), c.tiles);
  }
}

TEST(GltfMesh, PixelGridSpendsTheBudgetInProportionToTheSides) {
  struct Case {
    int width;
    int height;
    std::int64_t maxTriangles;
    std::int64_t quadsX;
    std::int64_t quadsY;
  };
  // sqrt(budget / (2 sideX sideY)) quads per pixel each way, rounded down, then fewer.
  const Case cases[] = {{51, 51, 2, 1, 1},       {51, 51, 1000, 22, 22}, {101, 51, 1000, 31, 15},
                        {101, 51, 7, 2, 1},      {51, 101, 3, 1, 1},     {51, 51, 5000, 50, 50},
                        {101, 51, 200000, 100, 50}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.width << " x " << c.height << " at most "
                                    << c.maxTriangles);
    const TerrainMesh mesh = pixelGridMesh(flatField(c.width, c.height), c.maxTriangles);
    EXPECT_EQ(mesh.kind, MeshKind::kPixelGrid);
    EXPECT_EQ(mesh.pixels.size(), static_cast<std::size_t>((c.quadsX + 1) * (c.quadsY + 1)));
    EXPECT_EQ(mesh.triangles(), 2 * c.quadsX * c.quadsY);
  }
}

// The map's own triangles up to the budget; the grid from 4 million on, where the simplifier
// would take too long.
TEST(GltfMesh, TheBudgetChoosesTheMesh) {
  struct Case {
    int largeur;
    int hauteur;
    std::int64_t maxTriangles;
    MeshKind kind;
  };
  const Case cases[] = {{1, 1, 5000, MeshKind::kCellFans},
                        {1, 1, 4999, MeshKind::kSimplified},
                        {41, 20, 4'100'000, MeshKind::kCellFans},
                        {41, 20, 4'000'000, MeshKind::kPixelGrid}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.largeur << " x " << c.hauteur << " at most "
                                    << c.maxTriangles);
    const HeightField field = flatField(50 * c.largeur + 1, 50 * c.hauteur + 1);
    EXPECT_EQ(terrainMesh(field, c.maxTriangles).kind, c.kind);
  }
}

// A tileset's node much finer than its children is coarsened until its own error reaches a
// bound: not at all when it already does, never past eight halvings, its outline whole.
TEST(GltfMesh, CoarsenUntilHalvesTheTrianglesUntilTheErrorReachesTheBound) {
  HeightField field = flatField(51, 51);
  std::mt19937 random(35);
  for (float& height : field.heights) height = static_cast<float>(random() % 200) / 4;
  const TerrainMesh full = pixelGridMesh(field, 2 * 50 * 50);
  struct Case {
    double least;
    bool reached;  // false: the simplifier gives up first, at the border's vertices
  };
  const Case cases[] = {{0, true}, {1, true}, {20, true}, {1e9, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "at least " << c.least);
    TerrainMesh mesh = full;
    int halvings = 0;
    const double error = coarsenUntil(field, c.least, 0.0, mesh, [&](const TerrainMesh& m) {
      ++halvings;
      return maxVerticalError(field, m);
    });
    EXPECT_EQ(error, halvings == 0 ? 0.0 : maxVerticalError(field, mesh));
    EXPECT_EQ(error >= c.least, c.reached);
    EXPECT_EQ(halvings == 0, c.least == 0);
    EXPECT_LE(halvings, 8);
    EXPECT_LE(mesh.triangles(), full.triangles() >> halvings);
    EXPECT_TRUE(tilesRectangle(field, mesh));
    std::vector<char> used(field.heights.size(), 0);
    for (const std::uint32_t pixel : mesh.pixels) used[pixel] = 1;
    for (int k = 0; k <= 50; ++k) {
      ASSERT_TRUE(used[k] && used[50 * 51 + k] && used[51 * k] && used[51 * k + 50]) << k;
    }
  }
}

}  // namespace
}  // namespace quorvel
