#include "map/sun_shadow.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "memory_texture.h"
#include "reference_light.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::MemoryTexture;

// f for every pixel of alt (51 high, at most 102 wide) under this light (normalised here) and
// a sun of 0.53 degrees.
std::vector<double> sunShares(const MemoryTexture& alt, Vector3 light) {
  normalize(light);
  const SunShadow sun(alt, 1.0f, light, 0.53);
  // Spans of 51 x 51 pixels, as the encoder hands them on, overlapping where alt is wider.
  std::vector<double> shares(static_cast<std::size_t>(alt.width) * alt.height);
  for (const int x0 : {0, alt.width - 51}) {
    std::vector<double> span(51 * 51, 1.0);
    sun.shade(x0, 0, 51, span.data());
    for (int y = 0; y < 51; ++y) {
      for (int x = 0; x < 51; ++x)
        shares[static_cast<std::size_t>(y * alt.width + x0 + x)] = span[y * 51 + x];
    }
  }
  return shares;
}

// Flat ground at 0 with one spike 100 high at (30, 25).
MemoryTexture spike() {
  Bytes samples(61 * 51, 0);
  samples[25 * 61 + 30] = 100;
  return MemoryTexture("alt", 61, 51, 1, samples);
}

TEST(SunShadow, SpikeCastsItsShadowAwayFromTheLightAsFarAsTheSunIsHigh) {
  const MemoryTexture alt = spike();
  struct Case {
    Vector3 light;
    int dx;  // the shadow runs from the spike by (dx, dy) a step
    int dy;
    int full;   // steps in full shadow (the spike seen above the sun's upper edge)
    bool half;  // the next step sees the spike at the sun's centre
  };
  // The sun at atan(1/2): 10 / k >= tan(26.83 deg) up to k = 19, and 10 / 20 is the centre.
  // At 45 degrees along a diagonal: 100 / (10 k sqrt 2) >= tan(45.265 deg) up to k = 7.
  const Case cases[] = {{{2, 0, 1}, -1, 0, 19, true},
                        {{0, -2, 1}, 0, 1, 19, true},
                        {{-1, -1, std::sqrt(2.0f)}, 1, 1, 7, false}};
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.dx) + ", " + std::to_string(c.dy));
    const std::vector<double> shares = sunShares(alt, c.light);
    for (int y = 0; y < 51; ++y) {
      for (int x = 0; x < 61; ++x) {
        const int k = c.dx != 0 ? (x - 30) / c.dx : (y - 25) / c.dy;
        const bool onLine = k > 0 && x == 30 + k * c.dx && y == 25 + k * c.dy;
        const double share = shares[static_cast<std::size_t>(y * 61 + x)];
        if (onLine && k <= c.full) {
          ASSERT_EQ(share, 0.0) << x << ", " << y;
        } else if (onLine && k == c.full + 1 && c.half) {
          ASSERT_NEAR(share, 0.5, 1e-6) << x << ", " << y;
        } else {
          ASSERT_EQ(share, 1.0) << x << ", " << y;
        }
      }
    }
  }
}

TEST(SunShadow, ShadowTowardAFractionalDirectionKeepsItsAzimuth) {
  // s = (1, 1/2), the sun at 45 degrees: every shaded pixel lies within a pixel of the line
  // from the spike away from the light; on it, at (30 - 2j, 25 - j), the spike itself is
  // sampled, 100 / (20 j |s|) above, in full shadow up to j = 4.
  const std::vector<double> shares = sunShares(spike(), {2, 1, std::sqrt(5.0f)});
  int shaded = 0;
  for (int y = 0; y < 51; ++y) {
    for (int x = 0; x < 61; ++x) {
      if (shares[static_cast<std::size_t>(y * 61 + x)] == 1.0) continue;
      ++shaded;
      EXPECT_LT(x, 30);
      EXPECT_LT(std::abs((25 - y) - (30 - x) / 2.0), 1.0) << x << ", " << y;
    }
  }
  EXPECT_GT(shaded, 4);
  for (int j = 1; j <= 4; ++j)
    EXPECT_EQ(shares[static_cast<std::size_t>((25 - j) * 61 + 30 - 2 * j)], 0.0);
  EXPECT_EQ(shares[20 * 61 + 20], 1.0);
}

// A sun 10 degrees high and 80 wide: its lower edge is 30 degrees below the horizon, so
// tangents down to tan(-30 deg) matter. From (63, 25), 200 high, the only pixel seen above
// that edge is (67, 25), 10 lower, 4 steps on: tangent -0.25. The block it lies in is below the
// edge as seen from one step on, not from four.
TEST(SunShadow, NoSampleIsSkippedThatPassesALowerEdgeBelowTheHorizon) {
  std::vector<float> heights(151 * 51, -10000);
  heights[25 * 151 + 63] = 200;
  heights[25 * 151 + 67] = 190;
  Bytes samples(heights.size() * 4);
  std::memcpy(samples.data(), heights.data(), samples.size());
  const MemoryTexture alt("alt", 151, 51, 4, samples, SampleFormat::kFloat32);
  Vector3 light{std::cos(0.17453292f), 0, std::sin(0.17453292f)};
  normalize(light);
  const SunShadow sun(alt, 1.0f, light, 80);
  std::vector<double> diffuse(51 * 51, 0.0);  // only the pixel looked at marches
  diffuse[25 * 51] = 1.0;
  sun.shade(63, 0, 51, diffuse.data());
  // (10 + the 14.04 degrees of atan(0.25)) / 80 + 0.5
  EXPECT_NEAR(diffuse[25 * 51], 0.8005, 1e-4);
  EXPECT_NEAR(diffuse[25 * 51], test::sunShare(alt, 1.0f, light, 80, 63, 25), 1e-12);
}

}  // namespace
}  // namespace quorvel
