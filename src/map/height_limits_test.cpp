#include "map/height_limits.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "map/normals.h"
#include "memory_texture.h"
#include "test_support.h"

namespace quorvel {
namespace {

// A 3 x 1 altitude of doubles is refused exactly where a height would be infinite or a normal
// NaN: an edge's z beyond a twentieth of the largest float overflows the cross product.
TEST(HeightLimits, RefusedWhereAHeightOrANormalWouldNotBeFinite) {
  struct Case {
    double a, b, c;
    float zScale;
    float seaLevel;
    bool refused;
  };
  const Case cases[] = {
      {0, 1e37, 1e37, 1.0f, 0, false},     // the normals' components near 2e38
      {0, 1.8e37, 1.8e37, 1.0f, 0, true},  // the cross product passes a float's range
      {0, 3e38, 3e38, 1.0f, 0, true},      // the edge itself nearly does
      {1e38, 1e38, 1e38, 3.0f, 0, false},  // heights near the range, no rise
      {1e38, 1e38, 1e38, 4.0f, 0, true},   // heights past it
      {5, 5, 5, 4.0f, -1e38f, true},       // the sea level takes them there
      {0, 1e300, 0, 1e-30f, 0, true},      // a huge rise, scaled down, still overflows
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.b << ", z scale " << c.zScale);
    std::vector<std::uint8_t> pixels(3 * sizeof(double));
    const double samples[] = {c.a, c.b, c.c};
    std::memcpy(pixels.data(), samples, sizeof samples);
    const test::MemoryTexture alt("alt.tif", 3, 1, 8, pixels, SampleFormat::kFloat64);
    const Settings settings{{0, 0, 1}, c.zScale, c.seaLevel, {}};
    if (c.refused) {
      test::expectFailure([&] { checkHeightLimits(alt, settings); },
                          "erreur: alt.tif donne des hauteurs hors limites\n");
      continue;
    }
    checkHeightLimits(alt, settings);
    const Vector3 normal = triangleNormal(0, c.b - c.a, c.c - c.a, c.zScale);
    EXPECT_TRUE(std::isfinite(normal.x) && std::isfinite(normal.y) && std::isfinite(normal.z));
  }
}

// A window of a world measures the diagonals of the whole image: from the pixels whose x + y
// is even there. At column 1 the window's first pixel is odd, so its one diagonal runs from
// its top left to its bottom right, a rise of 100, and not between the two 50s.
TEST(HeightLimits, AWindowMeasuresTheWholeImagesDiagonals) {
  const double samples[] = {50.0, 100.0, 0.0, 50.0};  // rows from the south
  std::vector<std::uint8_t> pixels(sizeof samples);
  std::memcpy(pixels.data(), samples, sizeof samples);
  test::MemoryTexture window("alt.tif", 2, 2, 8, pixels, SampleFormat::kFloat64);
  window.x0 = 1;
  AltitudeSpan span;
  widenAltitudeSpan(window, span);
  EXPECT_EQ(span.low, 0.0);
  EXPECT_EQ(span.high, 100.0);
  EXPECT_EQ(span.largestRise, 100.0);
}

}  // namespace
}  // namespace quorvel
