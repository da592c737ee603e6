#include "map/baked_light.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <random>
#include <string>
#include <type_traits>
#include <vector>

#include "map/map_format.h"
#include "map/map_writer.h"
#include "map/sky_view.h"
#include "map/sun_shadow.h"
#include "memory_texture.h"
#include "reference_light.h"
#include "reference_map.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::MemoryTexture;

constexpr std::size_t kRecord = 159;
constexpr std::size_t kColourBytes = 27;

// Ridges, valleys and a cliff from random waves, with a rough random walk on top: terrains that
// neither the sweeps nor the marches were tuned on.
std::vector<double> heldOutAltitudes(std::mt19937& random, int width, int height) {
  std::uniform_real_distribution<double> unit(0.0, 1.0);
  struct Wave {
    double fx, fy, phase, amplitude;
  };
  std::vector<Wave> waves;
  for (int n = 0; n < 6; ++n) {
    waves.push_back(
        {unit(random) * 0.3, unit(random) * 0.3, unit(random) * 6.3, 20 + unit(random) * 40});
  }
  const double cliff = unit(random) * width;
  std::vector<double> altitudes;
  double walk = 0;
  for (int y = 0; y < height; ++y) {
    for (int x = 0; x < width; ++x) {
      double a = 120 + (x > cliff ? 40 : 0);
      for (const Wave& w : waves) a += w.amplitude * std::sin(w.fx * x + w.fy * y + w.phase) / 3;
      walk = 0.9 * walk + (unit(random) - 0.5) * 6;
      altitudes.push_back(a + walk);
    }
  }
  return altitudes;
}

// The altitudes as samples of format, whole numbers for the integer formats (bytes clamped).
Bytes samplesOf(SampleFormat format, const std::vector<double>& altitudes) {
  Bytes bytes(altitudes.size() * static_cast<std::size_t>(sampleBytes(format)));
  visitSample(format, [&]<class Sample>(Sample) {
    for (std::size_t i = 0; i < altitudes.size(); ++i) {
      double value = altitudes[i];
      if constexpr (std::is_integral_v<Sample>) value = std::round(std::clamp(value, 0.0, 255.0));
      const auto sample = static_cast<Sample>(value);
      std::memcpy(&bytes[i * sizeof(Sample)], &sample, sizeof sample);
    }
  });
  return bytes;
}

Bytes randomColours(std::mt19937& random, int width, int height) {
  Bytes bytes(static_cast<std::size_t>(width) * height * 3);
  for (std::uint8_t& b : bytes) b = static_cast<std::uint8_t>(random() >> 24);
  return bytes;
}

// Four colour images at random, drawn in the order of their roles.
test::ColourTextures randomColourTextures(std::mt19937& random, int width, int height) {
  Bytes difMat = randomColours(random, width, height);
  Bytes ambMat = randomColours(random, width, height);
  Bytes difLight = randomColours(random, width, height);
  Bytes ambLight = randomColours(random, width, height);
  return {width,
          height,
          std::move(difMat),
          std::move(ambMat),
          std::move(difLight),
          std::move(ambLight)};
}

Bytes mapOf(const Terrain& terrain, int threads = 0) {
  const test::TempDir dir;
  writeMap((dir / "t").string(), terrain, MapWriterOptions{threads, 400});
  return test::readFile(dir / "t.map");
}

// How closely the tool's colours follow the brute force: every other byte must be equal.
struct Agreement {
  std::size_t channels = 0;
  std::size_t exact = 0;
  int worst = 0;
};

void compareWithReference(const Bytes& actual, const Bytes& expected, Agreement& agreement) {
  ASSERT_EQ(actual.size(), expected.size());
  ASSERT_EQ(Bytes(actual.begin(), actual.begin() + 8),
            Bytes(expected.begin(), expected.begin() + 8));
  for (std::size_t at = 8; at < actual.size(); at += kRecord) {
    for (std::size_t b = 0; b < kRecord; ++b) {
      const int difference = std::abs(actual[at + b] - expected[at + b]);
      if (b >= kColourBytes) {
        ASSERT_EQ(difference, 0) << "byte " << at + b;
        continue;
      }
      ++agreement.channels;
      if (difference == 0) ++agreement.exact;
      agreement.worst = std::max(agreement.worst, difference);
    }
  }
}

TEST(BakedLight, FollowsTheDefinitionOnHeldOutTerrains) {
  std::mt19937 random(8675309);
  struct Case {
    int width;
    int height;
    SampleFormat format;
    Vector3 light;
    float zScale;
    BakedLight baked;
  };
  const Case cases[] = {
      {101, 51, SampleFormat::kUInt8, {1, 1, 2}, 2, {16, false, 0.53}},
      {51, 101, SampleFormat::kFloat32, {-0.3f, 0.7f, 0.2f}, 0.5f, {8, false, 0.53}},
      {101, 51, SampleFormat::kUInt8, {1, 1, 2}, 2, {0, true, 0.53}},
      {51, 101, SampleFormat::kInt16, {-0.3f, 0.7f, 0.2f}, 1, {0, true, 0.53}},
      {101, 51, SampleFormat::kFloat32, {0.9f, -0.25f, 0.3f}, 1.5f, {0, true, 5}},
      {101, 101, SampleFormat::kFloat64, {2, -1, 0.6f}, 3, {16, true, 30}},
      {101, 51, SampleFormat::kUInt8, {-1, 0, 0.05f}, 1, {0, true, 8}},  // sun partly set
      {151, 101, SampleFormat::kUInt8, {1, 1, 0.1f}, 2, {0, true, 20}},  // its lower edge too
      {51, 101, SampleFormat::kFloat32, {0.2f, -0.9f, 0.1f}, -1.7f, {16, true, 0.53}},
      {51, 51, SampleFormat::kUInt8, {0, 0, 0}, 1, {8, true, 0.53}},
      {51, 51, SampleFormat::kUInt8, {0, 0, 1}, 4, {0, true, 2}},
  };
  Agreement agreement;
  int n = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE("case " + std::to_string(n++));
    const MemoryTexture alt("alt", c.width, c.height, sampleBytes(c.format),
                            samplesOf(c.format, heldOutAltitudes(random, c.width, c.height)),
                            c.format);
    const test::ColourTextures colours = randomColourTextures(random, c.width, c.height);
    const Terrain terrain = colours.over(alt, Settings{c.light, c.zScale, 0, c.baked});
    const Bytes expected = test::referenceMap(terrain);
    compareWithReference(mapOf(terrain, 1 + n % 3), expected, agreement);
  }
  EXPECT_LE(agreement.worst, 1);
  EXPECT_GE(agreement.exact, agreement.channels - agreement.channels / 1000)
      << agreement.exact << " of " << agreement.channels << " channels exact";
}

// The factors themselves, pixel by pixel, against the brute force: a march that stops too
// early or a hull that loses a vertex shows here even where it moves no colour by a unit.
TEST(BakedLight, SweepsAndMarchesGiveTheDefinitionsFactors) {
  std::mt19937 random(1234567);
  struct Case {
    int width;
    int height;
    SampleFormat format;
    float zScale;
    Vector3 light;
    double sunDiameter;
  };
  const Case cases[] = {
      {151, 101, SampleFormat::kUInt8, 2, {1, 1, 0.1f}, 20},  // a lower edge below the horizon
      {101, 151, SampleFormat::kFloat32, 1.5f, {-0.3f, 0.7f, 0.2f}, 0.53},
      {151, 101, SampleFormat::kInt16, 3, {0.9f, -0.25f, 0.3f}, 5},
      {101, 101, SampleFormat::kFloat64, -1.7f, {-1, -2, 0.4f}, 40},
  };
  int penumbra = 0;
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + ", sun " +
                 std::to_string(c.sunDiameter));
    const MemoryTexture alt("alt", c.width, c.height, sampleBytes(c.format),
                            samplesOf(c.format, heldOutAltitudes(random, c.width, c.height)),
                            c.format);
    Vector3 light = c.light;
    normalize(light);
    const SunShadow sun(alt, c.zScale, light, c.sunDiameter);
    const auto occlusion = skyOcclusion(alt, c.zScale, 16, 2);
    for (int y0 = 0; y0 + 51 <= c.height; y0 += 50) {
      for (int x0 = 0; x0 + 51 <= c.width; x0 += 50) {
        std::vector<double> shares(51 * 51, 1.0);
        sun.shade(x0, y0, 51, shares.data());
        for (int j = 0; j < 51; ++j) {
          for (int i = 0; i < 51; ++i) {
            const int x = x0 + i;
            const int y = y0 + j;
            const double expected = test::sunShare(alt, c.zScale, light, c.sunDiameter, x, y);
            ASSERT_NEAR(shares[static_cast<std::size_t>(j * 51 + i)], expected, 1e-12)
                << x << ", " << y;
            if (expected > 0.0 && expected < 1.0) ++penumbra;
            ASSERT_NEAR(1.0 - occlusion[static_cast<std::size_t>(y * c.width + x)],
                        test::skyViewFactor(alt, c.zScale, 16, x, y), 1e-12)
                << x << ", " << y;
          }
        }
      }
    }
  }
  EXPECT_GT(penumbra, 1000);
}

// The colours of a terrain under no baked light.
Bytes plainMap(const Terrain& terrain) {
  Terrain plain = terrain;
  plain.settings.baked = BakedLight{};
  return mapOf(plain);
}

TEST(BakedLight, FlatGroundUnderASunAboveItsRadiusGivesThePlainMap) {
  std::mt19937 random(5);
  const int side = 101;
  const MemoryTexture alt("alt", side, 51, 4,
                          samplesOf(SampleFormat::kFloat32, std::vector<double>(side * 51, 17.25)),
                          SampleFormat::kFloat32);
  const test::ColourTextures colours = randomColourTextures(random, side, 51);
  for (const Vector3 light : {Vector3{1, 1, 2}, Vector3{0.3f, -0.2f, 0.05f}, Vector3{0, 0, 1}}) {
    for (const BakedLight baked :
         {BakedLight{16, true, 0.53}, BakedLight{8, false, 0.53}, BakedLight{0, true, 10}}) {
      SCOPED_TRACE(std::to_string(light.z) + ", " + std::to_string(baked.skyDirections) + ", " +
                   std::to_string(baked.sunDiameter));
      const Terrain terrain = colours.over(alt, Settings{light, 3, 0, baked});
      EXPECT_EQ(mapOf(terrain), plainMap(terrain));
    }
  }
}

TEST(BakedLight, PitIsDarkerThanThePlainAroundIt) {
  const int side = 51;
  std::vector<double> altitudes(side * side, 100);
  for (int y = 20; y <= 30; ++y) {
    for (int x = 20; x <= 30; ++x) altitudes[static_cast<std::size_t>(y * side + x)] = 60;
  }
  const MemoryTexture alt("alt", side, side, 1, samplesOf(SampleFormat::kUInt8, altitudes));
  const Bytes grey(side * side * 3, 200);
  const MemoryTexture colour("colour", side, side, 3, grey);
  const auto colourAt = [](const Bytes& map, int x, int y) {
    return map[static_cast<std::size_t>(cellOffset(1, x - 1, y - 1))];  // the cell's centre, red
  };
  for (const BakedLight baked : {BakedLight{8, false, 0.53}, BakedLight{16, true, 0.53}}) {
    const Terrain terrain{alt, colour, colour, colour, colour, Settings{{1, 1, 2}, 1, 0, baked}};
    const Bytes lit = mapOf(terrain);
    const Bytes plain = plainMap(terrain);
    SCOPED_TRACE(baked.skyDirections);
    EXPECT_LT(colourAt(lit, 25, 25), colourAt(plain, 25, 25));
    EXPECT_EQ(colourAt(lit, 41, 9), colourAt(plain, 41, 9));  // open plain, nothing higher
  }
}

}  // namespace
}  // namespace quorvel
