#include "inspect/mesh_error.h"

#include <gtest/gtest.h>

#include <vector>

#include "inspect_support.h"

namespace quorvel {
namespace {

TEST(MeshError, TheLargestVerticalDistanceAtThePixelsTheTriangleCovers) {
  // A 5 x 5 window at (10, 20), flat at 0 but for the pixels the cases raise.
  struct Case {
    const char* what;
    MeshCorner a, b, c;
    std::vector<std::array<int, 3>> raised;  // x, y, height
    double error;
  };
  const Case cases[] = {
      {"flat on flat", {10, 20, 0}, {14, 20, 0}, {10, 24, 0}, {}, 0},
      {"a spike inside", {10, 20, 0}, {14, 20, 0}, {10, 24, 0}, {{11, 21, 7}}, 7},
      {"a spike on the long side", {10, 20, 0}, {14, 20, 0}, {10, 24, 0}, {{12, 22, -3}}, 3},
      {"a spike just beyond it", {10, 20, 0}, {14, 20, 0}, {10, 24, 0}, {{13, 22, 9}}, 0},
      // The plane rises by 1 a pixel along x: at (12, 21) it is 2, the pixel 7; elsewhere at most
      // 4 above the flat ground.
      {"a sloping plane", {10, 20, 0}, {14, 20, 4}, {10, 24, 0}, {{12, 21, 7}}, 5},
      {"corners above the ground", {10, 20, 2}, {14, 20, 2}, {10, 24, 2}, {}, 2},
      {"clockwise", {10, 20, 0}, {10, 24, 0}, {14, 20, 0}, {{11, 21, 7}}, 0},
      {"partly outside the window", {8, 18, 0}, {14, 18, 0}, {8, 24, 0}, {{10, 20, 4}}, 4},
      {"wholly outside", {0, 0, 5}, {5, 0, 5}, {0, 5, 5}, {}, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    std::vector<float> heights(25, 0.0f);
    for (const auto& [x, y, h] : c.raised) heights[(y - 20) * 5 + (x - 10)] = static_cast<float>(h);
    const HeightWindow window{10, 20, 5, 5, heights.data()};
    EXPECT_EQ(triangleError(c.a, c.b, c.c, window), c.error);
  }
}

TEST(MeshError, AMeshIsAsFarAsItsWorstTriangle) {
  HeightField field = test::flatField(3, 3);
  field.heights[4] = 6;  // the centre
  const std::vector<std::array<int, 2>> pixels = {{0, 0}, {2, 0}, {2, 2}, {0, 2}, {1, 1}};
  EXPECT_EQ(maxVerticalError(field, test::meshOf(field, pixels, {0, 1, 2, 0, 2, 3})), 6);
  EXPECT_EQ(
      maxVerticalError(field, test::meshOf(field, pixels, {0, 1, 4, 1, 2, 4, 2, 3, 4, 3, 0, 4})),
      0);
}

}  // namespace
}  // namespace quorvel
