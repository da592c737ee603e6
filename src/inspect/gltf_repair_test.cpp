#include "inspect/gltf_repair.h"

#include <array>
#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

#include "inspect_support.h"

namespace quorvel {
namespace {

// Each result worked out by hand from the rules: the patch is every triangle with a corner of
// a faulty one (growing by rings while it cannot be filled), its outline is cut into ears
// that hold no other corner, not even on their sides, the shortest diagonal first, and the
// new triangles follow those kept.
TEST(GltfRepair, FoldsAreReplacedByTheirOutlineCutIntoEars) {
  struct Case {
    const char* what;
    int side;
    std::vector<std::array<int, 2>> pixels;
    std::vector<std::uint32_t> indices;
    std::vector<std::uint32_t> repaired;
  };
  const Case cases[] = {
      // A 2 x 2 grid of quads whose centre vertex 4 has moved onto vertex 1: two triangles
      // are flat, and every triangle but 5 8 7 touches one. Its outline of 7 corners
      // becomes 5 triangles.
      {"a flattened corner",
       3,
       {{0, 0}, {1, 0}, {2, 0}, {0, 1}, {1, 0}, {2, 1}, {0, 2}, {1, 2}, {2, 2}},
       {0, 1, 3, 1, 4, 3, 1, 2, 4, 2, 5, 4, 3, 4, 6, 4, 7, 6, 4, 5, 7, 5, 8, 7},
       {5, 8, 7, 3, 0, 1, 1, 2, 5, 7, 6, 3, 7, 3, 1, 1, 5, 7}},
      // Flat triangles on the left and right sides (0 5 6, 4 2 3) make a patch of all
      // but 1 8 7 and 7 8 9, which touch the bottom side at vertex 1 only. The patch's
      // outline passes vertex 1 twice, so no ear next to it is empty: the patch grows to
      // the whole square, whose outline of 7 corners becomes 5 triangles.
      {"a patch that touches itself",
       5,
       {{0, 0}, {2, 0}, {4, 0}, {4, 2}, {4, 4}, {0, 4}, {0, 2}, {1, 1}, {3, 1}, {2, 3}},
       {1, 8, 7, 1, 2, 8, 0, 1, 7, 2, 4, 8, 8, 4, 9, 7, 8, 9,
        9, 4, 5, 7, 9, 5, 0, 7, 5, 0, 5, 6, 4, 2, 3},
       {6, 0, 1, 1, 2, 3, 6, 1, 3, 6, 3, 4, 4, 5, 6}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    const HeightField field = test::flatField(c.side, c.side);
    TerrainMesh mesh = test::meshOf(field, c.pixels, c.indices);
    EXPECT_TRUE(repairFolds(field, mesh));
    EXPECT_EQ(mesh.indices, c.repaired);
    EXPECT_TRUE(tilesRectangle(field, mesh));
  }
}

}  // namespace
}  // namespace quorvel
