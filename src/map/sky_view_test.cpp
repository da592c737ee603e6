#include "map/sky_view.h"

#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "memory_texture.h"
#include "reference_light.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::MemoryTexture;

TEST(SkyView, OnePixelPitSeesItsRimInEveryDirection) {
  // Pixel (25, 25) lies 10 below the plain round it: seen from the pit, the rim one step away
  // rises with tangent 1 / |u|, and (w T) / sqrt(1 + T T) is w / sqrt(2), w / sqrt(3) and
  // w / sqrt(6) for the axes, the diagonals and the (2, 1)-type directions. The plain sees
  // nothing above it.
  Bytes samples(51 * 51, 10);
  samples[25 * 51 + 25] = 0;
  const MemoryTexture alt("alt", 51, 51, 1, samples);
  struct Case {
    int directions;
    double pit;
  };
  for (const Case& c : {Case{8, 0.6422285251880866}, Case{16, 0.5310991507351596}}) {
    SCOPED_TRACE(c.directions);
    const auto occlusion = skyOcclusion(alt, 1.0f, c.directions, 2);
    EXPECT_NEAR(occlusion[25 * 51 + 25], c.pit, 1e-15);
    for (int i = 0; i < 51 * 51; ++i) {
      if (i != 25 * 51 + 25) {
        ASSERT_EQ(occlusion[static_cast<std::size_t>(i)], 0.0) << i;
      }
    }
  }
}

TEST(SkyView, SymmetricTerrainHasSymmetricFactors) {
  // Rings round the centre pixel (25, 25): every mirror and quarter turn of the image maps
  // the terrain onto itself, and so each direction onto another of the same weight.
  Bytes samples;
  for (int y = 0; y < 51; ++y) {
    for (int x = 0; x < 51; ++x) {
      const double r = std::sqrt((x - 25) * (x - 25) + (y - 25) * (y - 25));
      samples.push_back(static_cast<std::uint8_t>(std::lround(120 + 60 * std::cos(0.35 * r) - r)));
    }
  }
  const MemoryTexture alt("alt", 51, 51, 1, samples);
  for (const int directions : {8, 16}) {
    const auto occlusion = skyOcclusion(alt, 2.0f, directions, 3);
    const auto at = [&](int dx, int dy) { return occlusion[(25 + dy) * 51 + 25 + dx]; };
    for (int dy = 0; dy <= 25; ++dy) {
      for (int dx = 0; dx <= 25; ++dx) {
        SCOPED_TRACE(std::to_string(directions) + ": " + std::to_string(dx) + ", " +
                     std::to_string(dy));
        // The sums meet their terms in another order, so they may differ in the last bits.
        for (const double mirrored : {at(-dx, dy), at(dx, -dy), at(-dx, -dy), at(dy, dx),
                                      at(-dy, dx), at(dy, -dx), at(-dy, -dx)}) {
          ASSERT_NEAR(mirrored, at(dx, dy), 1e-15);
        }
      }
    }
    EXPECT_GT(at(3, 4), 0.0);
  }
}

// Shapes whose hulls grow long or fall far at one pixel: on a dome every pixel ahead stays on
// the hull, in a bowl a pixel hides all of them, and ridges and cliffs pop a few at a time.
TEST(SkyView, HullsOfEveryDepthGiveTheBruteForcesFactors) {
  struct Shape {
    const char* name;
    double (*height)(int x, int y);
  };
  const Shape shapes[] = {
      {"dome",
       [](int x, int y) { return 250.0 - 0.05 * ((x - 40) * (x - 40) + (y - 30) * (y - 30)); }},
      {"bowl", [](int x, int y) { return 0.04 * ((x - 40) * (x - 40) + (y - 30) * (y - 30)); }},
      {"ridges",
       [](int x, int y) { return 128.0 + 100.0 * std::sin(0.9 * x) * std::cos(0.4 * y); }},
      {"cliffs", [](int x, int y) { return static_cast<double>((x * 7 + y * 3) % 23 * 11); }},
  };
  for (const Shape& shape : shapes) {
    Bytes samples;
    for (int y = 0; y < 61; ++y) {
      for (int x = 0; x < 81; ++x) {
        samples.push_back(static_cast<std::uint8_t>(std::lround(shape.height(x, y))));
      }
    }
    const MemoryTexture alt("alt", 81, 61, 1, samples);
    const auto occlusion = skyOcclusion(alt, 3.0f, 16, 2);
    for (int y = 0; y < 61; ++y) {
      for (int x = 0; x < 81; ++x) {
        ASSERT_NEAR(1.0 - occlusion[static_cast<std::size_t>(y * 81 + x)],
                    test::skyViewFactor(alt, 3.0f, 16, x, y), 1e-12)
            << shape.name << " at " << x << ", " << y;
      }
    }
  }
}

// 8-bit and 16-bit samples under a z scale above 0 take their hulls' decisions in integers;
// the same samples as 32-bit floats take them in doubles. Every product compared is exact
// either way, so the factors must be the same to the bit, ties and all, whatever the terrain.
TEST(SkyView, IntegerSamplesGiveTheBitsOfTheirValuesAsFloats) {
  constexpr int kWidth = 67;
  constexpr int kHeight = 53;
  std::vector<int> values;
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      // Plateaus, ridges and steps: many equal rises and collinear vertices.
      values.push_back((x / 5 * 37 + y / 3 * 11 + (x * y) % 7 * 9) % 256);
    }
  }
  const auto texture = [&](SampleFormat format, int scale, int offset) {
    Bytes bytes;
    for (const int value : values) {
      const int sample = value * scale + offset;
      Bytes one(static_cast<std::size_t>(sampleBytes(format)));
      if (format == SampleFormat::kUInt8) {
        one[0] = static_cast<std::uint8_t>(sample);
      } else if (format == SampleFormat::kInt16) {
        const auto stored = static_cast<std::int16_t>(sample);
        std::memcpy(one.data(), &stored, sizeof stored);
      } else if (format == SampleFormat::kUInt16) {
        const auto stored = static_cast<std::uint16_t>(sample);
        std::memcpy(one.data(), &stored, sizeof stored);
      } else {
        const auto stored = static_cast<float>(sample);
        std::memcpy(one.data(), &stored, sizeof stored);
      }
      bytes.insert(bytes.end(), one.begin(), one.end());
    }
    return MemoryTexture("alt", kWidth, kHeight, sampleBytes(format), bytes, format);
  };
  struct Case {
    SampleFormat format;
    int scale;
    int offset;
  };
  for (const Case c : {Case{SampleFormat::kUInt8, 1, 0}, Case{SampleFormat::kUInt16, 257, 0},
                       Case{SampleFormat::kInt16, 251, -32000}}) {
    for (const float zScale : {3.0f, 0.1f, 1e-30f}) {
      SCOPED_TRACE(std::to_string(sampleBytes(c.format)) + " bytes, z scale " +
                   std::to_string(zScale));
      const MemoryTexture samples = texture(c.format, c.scale, c.offset);
      const MemoryTexture floats = texture(SampleFormat::kFloat32, c.scale, c.offset);
      for (const int directions : {8, 16}) {
        const auto expected = skyOcclusion(floats, zScale, directions, 2);
        const auto got = skyOcclusion(samples, zScale, directions, 2);
        ASSERT_EQ(std::memcmp(got.get(), expected.get(), sizeof(double) * kWidth * kHeight), 0);
      }
    }
  }
}

}  // namespace
}  // namespace quorvel
