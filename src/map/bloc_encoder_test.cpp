#include "map/bloc_encoder.h"

#include <climits>
#include <limits>
#include <cstdint>
#include <random>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "map/map_writer.h"
#include "memory_texture.h"
#include "reference_map.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::MemoryTexture;
using test::TerrainImages;

// Altitudes from smooth to wild (every difference from -255 to 255 shows up), colours at
// random, so that every table corner and every clamp of the lighting is exercised.
TerrainImages randomTerrain(std::mt19937& random, std::int32_t width, std::int32_t height,
                            int roughness) {
  TerrainImages images;
  images.width = width;
  images.height = height;
  std::uniform_int_distribution<int> byte(0, 255);
  std::uniform_int_distribution<int> step(-roughness, roughness);
  const auto pixels = static_cast<std::size_t>(width) * height;
  int level = byte(random);
  for (std::size_t i = 0; i < pixels; ++i) {
    level = std::clamp(level + step(random), 0, 255);
    images.alt.push_back(static_cast<std::uint8_t>(level));
  }
  for (Bytes* image : {&images.difMat, &images.ambMat, &images.difLight, &images.ambLight}) {
    for (std::size_t i = 0; i < 3 * pixels; ++i) image->push_back(static_cast<std::uint8_t>(byte(random)));
  }
  return images;
}

Bytes fastMap(const TerrainImages& images, const Settings& settings, const MapWriterOptions& options) {
  const MemoryTexture alt("alt.bmp", images.width, images.height, 1, images.alt);
  const MemoryTexture difMat("DifMat.bmp", images.width, images.height, 3, images.difMat);
  const MemoryTexture ambMat("AmbMat.bmp", images.width, images.height, 3, images.ambMat);
  const MemoryTexture difLight("DifLight.bmp", images.width, images.height, 3, images.difLight);
  const MemoryTexture ambLight("AmbLight.bmp", images.width, images.height, 3, images.ambLight);
  const test::TempDir dir;
  writeMap((dir / "t").string(), Terrain{alt, difMat, ambMat, difLight, ambLight, settings},
           options);
  return test::readFile(dir / "t.map");
}

TEST(FastWriter, MatchesStraightforwardImplementationOnRandomTerrains) {
  std::mt19937 random(20261207);
  struct Shape {
    std::int32_t width;
    std::int32_t height;
    int roughness;
  };
  // 301 x 101 has more chunks of blocFiles than the writer keeps in flight.
  const std::vector<Shape> shapes = {{51, 51, 255}, {101, 51, 3}, {51, 151, 40}, {301, 101, 6}};
  const std::vector<Settings> settings = {
      Settings{},
      Settings{{1, 1, 2}, 2, 10},
      Settings{{-0.3f, 0.7f, 0.2f}, -1.7f, 12.5f},
      Settings{{0, 0, 0}, 0.1f, -3},
      Settings{{0.2f, -5, 0.5f}, -0.01f, 200},
      Settings{{0, 0, -1}, 1e-30f, 0},
  };
  const std::vector<MapWriterOptions> options = {
      {1, INT_MAX},  // one thread, every normal computed
      {1, 0},        // one thread, normals from the table
      {3, 0},        // more encoders than this machine may have cores
      {2, INT_MAX},
  };
  for (const Shape& shape : shapes) {
    const TerrainImages images = randomTerrain(random, shape.width, shape.height, shape.roughness);
    for (std::size_t s = 0; s < settings.size(); ++s) {
      const Bytes expected = test::referenceMap(images, settings[s]);
      for (const MapWriterOptions& option : options) {
        SCOPED_TRACE(std::to_string(shape.width) + " x " + std::to_string(shape.height) +
                     ", settings " + std::to_string(s) + ", threads " +
                     std::to_string(option.threads) + ", table from " +
                     std::to_string(option.tableFromBlocFiles));
        const Bytes actual = fastMap(images, settings[s], option);
        ASSERT_EQ(actual.size(), expected.size());
        const auto mismatch = std::mismatch(actual.begin(), actual.end(), expected.begin());
        EXPECT_EQ(mismatch.first, actual.end())
            << "first differing byte at " << (mismatch.first - actual.begin());
      }
    }
  }
}

TEST(FastWriter, TableHoldsTheComputedNormalOfEveryTriangle) {
  // Odd scales too: every entry must be the computed bits, NaNs and infinities included.
  for (const float zScaleFactor : {1.0f, -2.5f, 0.3f, 0.0f, -0.0f, 1e-45f, 3e38f,
                                   std::numeric_limits<float>::infinity(),
                                   std::numeric_limits<float>::quiet_NaN()}) {
    const TriangleTable table(zScaleFactor, 2);
    for (int kind = 0; kind < kTriangleKindCount; ++kind) {
      for (int rise1 = -255; rise1 <= 255; rise1 += 17) {
        for (int rise2 = -255; rise2 <= 255; ++rise2) {
          const Vector3 computed = triangleNormal(kind, rise1, rise2, zScaleFactor);
          const Vector3& looked = table.normal(kind, rise1, rise2);
          ASSERT_EQ(test::bitsOf(looked.x), test::bitsOf(computed.x));
          ASSERT_EQ(test::bitsOf(looked.y), test::bitsOf(computed.y));
          ASSERT_EQ(test::bitsOf(looked.z), test::bitsOf(computed.z));
        }
      }
    }
  }
}

}  // namespace
}  // namespace quorvel
