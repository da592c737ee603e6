#include "world/horizons.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include "memory_texture.h"
#include "reference_light.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::MemoryTexture;

TEST(Horizons, EveryTileStartsFromTheHullOfTheWorldBeyondItOnEachLine) {
  // Terrains of few levels, so that many points of a line fall on one segment, and pits and
  // cliffs across tile borders; a z scale below 0 makes hulls of the negated samples.
  struct Case {
    std::int32_t width;
    std::int32_t height;
    std::int32_t tileSize;
    int directions;
    float zScale;
    int levels;
  };
  const Case cases[] = {{37, 29, 7, 16, 1.0f, 5},  {29, 37, 11, 16, 2.0f, 3},
                        {25, 25, 9, 8, 1.0f, 256}, {31, 19, 7, 16, -1.0f, 4},
                        {13, 41, 13, 16, 1.0f, 2}, {21, 21, 21, 8, 1.0f, 6}};
  std::mt19937 random(31);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::to_string(c.width) + " x " + std::to_string(c.height) + ", tiles of " +
                 std::to_string(c.tileSize) + ", " + std::to_string(c.directions));
    Bytes samples(static_cast<std::size_t>(c.width) * c.height);
    for (std::uint8_t& sample : samples) {
      sample = static_cast<std::uint8_t>(random() % static_cast<unsigned>(c.levels) *
                                         (255 / std::max(1, c.levels - 1)));
    }
    const auto heightAt = [&](int x, int y) {
      const int sample = samples[static_cast<std::size_t>(y) * c.width + x];
      return c.zScale < 0.0f ? -sample : sample;
    };
    const std::int32_t step = c.tileSize - 1;
    const TilePlan plan{c.width, c.height, c.tileSize, (c.width - 2) / step + 1,
                        (c.height - 2) / step + 1};
    const HorizonSettings settings{c.width,      c.height, c.tileSize,
                                   c.directions, c.zScale, SampleFormat::kUInt8};
    const test::TempDir dir;
    std::vector<std::string> files;
    for (std::int32_t index = 0; index < plan.count(); ++index) {
      const PixelWindow window = plan.window(index);
      Bytes pixels;
      for (int y = window.y0; y < window.y0 + window.height; ++y) {
        for (int x = window.x0; x < window.x0 + window.width; ++x) {
          pixels.push_back(samples[static_cast<std::size_t>(y) * c.width + x]);
        }
      }
      MemoryTexture alt("alt", window.width, window.height, 1, pixels);
      alt.x0 = window.x0;
      alt.y0 = window.y0;
      files.push_back((dir / ("t" + std::to_string(index) + ".horizons")).string());
      ASSERT_TRUE(writeHorizons(files.back(), settings, plan, index, alt, FileIdentity{},
                                std::string(32, 's')));
    }
    // Each file's sections read by every tile, or decoded once and shared, within a budget
    // that lets go of all but the last or one that holds them all.
    HorizonSections tight(1);
    HorizonSections roomy(std::size_t{1} << 30);
    for (int pass = 0; pass < 3; ++pass) {
      SCOPED_TRACE(pass);
      HorizonSections* const shared = pass == 0 ? nullptr : pass == 1 ? &tight : &roomy;
      std::vector<SkyVertex> storage;  // each tile's seeds kept where the last tile's were
      for (std::int32_t index = 0; index < plan.count(); ++index) {
        const PixelWindow window = plan.window(index);
        const SkyRectangle rectangle{window.x0, window.y0, window.width, window.height};
        HorizonSeeds seeds(settings, plan, rectangle, files, shared, std::move(storage));
        std::size_t held = 0;  // the vertices of this tile's hulls
        for (int d = 0; d < c.directions; ++d) {
          forEachSkyLine(
              c.directions, d, c.width, c.height, rectangle,
              [&](int lineClass, int line, int, int last) {
                std::vector<SkyVertex> beyond;
                for (int s = last + 1;; ++s) {
                  int x = 0;
                  int y = 0;
                  skyPixelOf(c.directions, d, c.width, c.height, SkyLine{lineClass, line, s}, x, y);
                  if (x < 0 || y < 0 || x >= c.width || y >= c.height) break;
                  beyond.insert(beyond.begin(), SkyVertex{heightAt(x, y), s});
                }
                const std::vector<SkyVertex> expected = test::wrappedHull(beyond);
                held += expected.size();
                const std::span<const SkyVertex> seed = seeds.seed(d, lineClass, line);
                ASSERT_EQ(seed.size(), expected.size())
                    << "tile " << index << ", direction " << d << ", line " << line;
                for (std::size_t k = 0; k < expected.size(); ++k) {
                  ASSERT_EQ(seed[k].height, expected[k].height) << k;
                  ASSERT_EQ(seed[k].step, expected[k].step) << k;
                }
              });
        }
        storage = seeds.takeStorage();
        // Nothing of the tile whose storage it was is kept beside them.
        EXPECT_EQ(storage.size(), held) << "tile " << index;
      }
    }
  }
}

}  // namespace
}  // namespace quorvel
