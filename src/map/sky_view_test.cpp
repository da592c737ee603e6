#include "map/sky_view.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>
#include <span>
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

// A region's hulls leave out the blocks of steps that can hold no vertex: lines whose every
// pixel is a record from one end (ramps, a bowl), plateaus and equal peaks at block borders
// (ties beyond and before), lone spikes, a sawtooth whose teeth straddle the blocks, and few
// random levels, in regions of lines of every length (the diagonals' first and last), over
// several strips of lanes, under z scales of both signs. Each hull must be the strict upper
// hull of every pixel of its line in the region.
TEST(SkyView, RegionHullsAreTheHullsOfEveryPixelOfTheirLines) {
  constexpr int kWidth = 151;
  constexpr int kHeight = 97;
  struct Shape {
    const char* name;
    int (*height)(int x, int y);
  };
  const Shape shapes[] = {
      {"ramp", [](int x, int y) { return (x + 2 * y) % 256; }},
      {"bowl", [](int x, int y) { return ((x - 75) * (x - 75) + (y - 48) * (y - 48)) / 40 % 256; }},
      {"dome", [](int x, int y) { return 255 - ((x - 70) * (x - 70) + (y - 50) * (y - 50)) / 50; }},
      {"plateaus", [](int x, int y) { return x / 8 % 2 * 100 + y / 8 % 3 * 50; }},
      {"spikes", [](int x, int y) { return (x % 8 == 7 || y % 8 == 0) ? 200 : 10 + x % 3; }},
      {"sawtooth", [](int x, int y) { return (x + y) % 11 * 20; }},
      {"level", [](int, int) { return 77; }},
      {"levels", [](int x, int y) { return static_cast<int>((x * 7919u + y * 104729u) % 13 % 3) * 90; }},
  };
  struct Region {
    int x0, y0, columns, rows;
  };
  const Region regions[] = {{0, 0, kWidth, kHeight}, {3, 2, 140, 90}, {17, 5, 9, 80}};
  for (const Shape& shape : shapes) {
    Bytes samples;
    for (int y = 0; y < kHeight; ++y) {
      for (int x = 0; x < kWidth; ++x) {
        samples.push_back(static_cast<std::uint8_t>(std::clamp(shape.height(x, y), 0, 255)));
      }
    }
    const MemoryTexture alt("alt", kWidth, kHeight, 1, samples);
    for (const float zScale : {1.0f, -2.0f}) {
      for (const Region& region : regions) {
        for (const int directions : {8, 16}) {
          SCOPED_TRACE(std::string(shape.name) + ", z scale " + std::to_string(zScale) +
                       ", region at " + std::to_string(region.x0) + ", " +
                       std::to_string(region.y0) + ", " + std::to_string(directions));
          const SkyRectangle rectangle{region.x0, region.y0, region.columns, region.rows};
          int lines = 0;
          skyHullsOfWindow(
              alt, zScale, directions, kWidth, kHeight,
              [&](int) { return rectangle; },
              [&](int d, int lineClass, int line, std::span<const SkyVertex> hull) {
                ++lines;
                std::vector<SkyVertex> points;
                forEachSkyLine(directions, d, kWidth, kHeight, rectangle,
                               [&](int c, int o, int first, int last) {
                                 if (c != lineClass || o != line) return;
                                 for (int step = last; step >= first; --step) {
                                   int x = 0;
                                   int y = 0;
                                   skyPixelOf(directions, d, kWidth, kHeight,
                                              SkyLine{c, o, step}, x, y);
                                   const int sample = samples[static_cast<std::size_t>(y) * kWidth +
                                                              static_cast<std::size_t>(x)];
                                   points.push_back({zScale < 0.0f ? -sample : sample, step});
                                 }
                               });
                const std::vector<SkyVertex> expected = test::wrappedHull(points);
                ASSERT_EQ(hull.size(), expected.size()) << "direction " << d << ", line " << line;
                for (std::size_t k = 0; k < expected.size(); ++k) {
                  ASSERT_EQ(hull[k].height, expected[k].height) << "direction " << d << ", " << k;
                  ASSERT_EQ(hull[k].step, expected[k].step) << "direction " << d << ", " << k;
                }
              });
          EXPECT_GT(lines, directions * region.rows / 2);
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorvel
