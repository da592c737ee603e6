#include "map/bloc_encoder.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <climits>
#include <cstdint>
#include <cstring>
#include <functional>
#include <limits>
#include <random>
#include <stdexcept>
#include <string>
#include <vector>

#include "map/map_writer.h"
#include "memory_texture.h"
#include "reference_map.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::Bytes;
using test::MemoryTexture;
using test::randomTerrain;
using test::TerrainImages;

// The colour images of images.
test::ColourTextures colourImages(const TerrainImages& images) {
  return {images.width,  images.height,   images.difMat,
          images.ambMat, images.difLight, images.ambLight};
}

Bytes fastMap(const Terrain& terrain, const MapWriterOptions& options = {}) {
  const test::TempDir dir;
  writeMap((dir / "t").string(), terrain, options);
  return test::readFile(dir / "t.map");
}

Bytes fastMap(const TerrainImages& images, const Settings& settings,
              const MapWriterOptions& options) {
  const MemoryTexture alt("alt.bmp", images.width, images.height, 1, images.alt);
  return fastMap(colourImages(images).over(alt, settings), options);
}

// An altitude image holding value(i) at pixel i as samples of type Sample, host order.
template <class Sample>
Bytes samplesOf(std::size_t pixels, const std::function<double(std::size_t)>& value) {
  Bytes bytes(pixels * sizeof(Sample));
  for (std::size_t i = 0; i < pixels; ++i) {
    const auto sample = static_cast<Sample>(value(i));
    std::memcpy(&bytes[i * sizeof(Sample)], &sample, sizeof sample);
  }
  return bytes;
}

Bytes samplesOf(SampleFormat format, std::size_t pixels,
                const std::function<double(std::size_t)>& value) {
  return visitSample(format,
                     [&]<class Sample>(Sample) { return samplesOf<Sample>(pixels, value); });
}

void expectSameBytes(const Bytes& actual, const Bytes& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  const auto mismatch = std::mismatch(actual.begin(), actual.end(), expected.begin());
  EXPECT_EQ(mismatch.first, actual.end())
      << "first differing byte at " << (mismatch.first - actual.begin());
}

TEST(FastWriter, MatchesStraightforwardImplementationOnRandomTerrains) {
  std::mt19937 random(20261207);
  struct Shape {
    std::int32_t width;
    std::int32_t height;
    int roughness;
  };
  // 301 x 101 has more chunks of blocFiles than there are encoding threads.
  const std::vector<Shape> shapes = {{51, 51, 255}, {101, 51, 3}, {51, 151, 40}, {301, 101, 6}};
  const std::vector<Settings> settings = {
      Settings{},
      Settings{{1, 1, 2}, 2, 10, {}},
      Settings{{-0.3f, 0.7f, 0.2f}, -1.7f, 12.5f, {}},
      Settings{{0, 0, 0}, 0.1f, -3, {}},
      Settings{{0.2f, -5, 0.5f}, -0.01f, 200, {}},
      Settings{{0, 0, -1}, 1e-30f, 0, {}},
      // Rises whose normals' cross products come near a float's range.
      Settings{{1, 1, 2}, 6e34f, 128, {}},
      // From here on heights pass a float's range: refused before the map is made.
      Settings{{1, 1, 2}, 3e38f, 0, {}},
      Settings{{1, 1, 2}, 1e37f, 0, {}},
      Settings{{1, 1, 2}, std::numeric_limits<float>::infinity(), 0, {}},
      Settings{{1, 1, 2}, std::numeric_limits<float>::quiet_NaN(), 0, {}},
      Settings{{1, 1, 2}, -std::numeric_limits<float>::quiet_NaN(), 0, {}},
  };
  const std::vector<MapWriterOptions> options = {
      {1, INT_MAX},  // one thread, every normal computed
      {1, 0},        // one thread, normals from the table
      {3, 0},        // more encoders than this machine may have cores
      {2, INT_MAX},
  };
  constexpr std::size_t kFirstBeyondFloats = 7;
  for (const Shape& shape : shapes) {
    const TerrainImages images = randomTerrain(random, shape.width, shape.height, shape.roughness);
    for (std::size_t s = 0; s < settings.size(); ++s) {
      const Bytes expected =
          s < kFirstBeyondFloats ? test::referenceMap(images, settings[s]) : Bytes{};
      for (const MapWriterOptions& option : options) {
        SCOPED_TRACE(std::to_string(shape.width) + " x " + std::to_string(shape.height) +
                     ", settings " + std::to_string(s) + ", threads " +
                     std::to_string(option.threads) + ", table from " +
                     std::to_string(option.tableFromBlocFiles));
        if (s >= kFirstBeyondFloats) {
          test::expectFailure([&] { fastMap(images, settings[s], option); },
                              "erreur: alt.bmp donne des hauteurs hors limites\n");
          continue;
        }
        expectSameBytes(fastMap(images, settings[s], option), expected);
      }
    }
  }
}

// Wider samples holding scale x the bytes + offset, compiled with z scale / scale and sea level
// x scale + offset, give the map of the bytes: every scale is a power of two and every value
// exact, so only the sample type differs.
TEST(FastWriter, WiderSamplesScaledLikeTheBytesGiveTheBytesMap) {
  std::mt19937 random(101);
  const TerrainImages images = randomTerrain(random, 101, 51, 60);
  struct Case {
    SampleFormat format;
    double scale;
    double offset;
  };
  const Case cases[] = {
      {SampleFormat::kUInt16, 256, 0},      {SampleFormat::kInt16, 128, -16384},
      {SampleFormat::kUInt32, 65536, 7},    {SampleFormat::kInt32, 4096, -1048576},
      {SampleFormat::kFloat32, 0.25, -0.5}, {SampleFormat::kFloat64, 1.0 / 1024, -3},
  };
  const Settings settings[] = {Settings{}, Settings{{1, 1, 2}, 2, 10, {}},
                               Settings{{-0.3f, 0.7f, 0.2f}, -1.7f, 12.5f, {}}};
  const test::ColourTextures colours = colourImages(images);
  for (const Settings& given : settings) {
    const Bytes expected = test::referenceMap(images, given);
    for (const Case& c : cases) {
      SCOPED_TRACE("sample bytes " + std::to_string(sampleBytes(c.format)) + ", scale " +
                   std::to_string(c.scale) + ", z scale " + std::to_string(given.zScaleFactor));
      const MemoryTexture alt(
          "alt", images.width, images.height, sampleBytes(c.format),
          samplesOf(c.format, images.alt.size(),
                    [&](std::size_t i) { return images.alt[i] * c.scale + c.offset; }),
          c.format);
      Settings scaled = given;
      scaled.zScaleFactor = static_cast<float>(given.zScaleFactor / c.scale);
      scaled.seaLevel = static_cast<float>(given.seaLevel * c.scale + c.offset);
      expectSameBytes(fastMap(colours.over(alt, scaled)), expected);
    }
  }
}

// Fractional altitudes, small and large (where a difference of two 64-bit floats rounds),
// against the reference, whose reading of each sample type is its own.
TEST(FastWriter, FractionalSamplesMatchTheReference) {
  std::mt19937 random(202);
  const TerrainImages images = randomTerrain(random, 101, 101, 9);
  std::uniform_real_distribution<double> fraction(0.0, 1.0);
  struct Case {
    SampleFormat format;
    double base;
    double scale;
  };
  const Case cases[] = {{SampleFormat::kFloat32, -40, 1.37},
                        {SampleFormat::kFloat64, 0, 0.013},
                        {SampleFormat::kFloat64, 1e9, 3.3e-7}};
  const Settings settings[] = {Settings{}, Settings{{-0.3f, 0.7f, 0.2f}, -1.7f, 12.5f, {}},
                               Settings{{0.2f, -5, 0.5f}, 37.1f, -3, {}}};
  const test::ColourTextures colours = colourImages(images);
  for (const Case& c : cases) {
    const MemoryTexture alt(
        "alt", images.width, images.height, sampleBytes(c.format),
        samplesOf(
            c.format, images.alt.size(),
            [&](std::size_t i) { return c.base + (images.alt[i] + fraction(random)) * c.scale; }),
        c.format);
    for (const Settings& given : settings) {
      SCOPED_TRACE("sample bytes " + std::to_string(sampleBytes(c.format)) + ", base " +
                   std::to_string(c.base) + ", z scale " + std::to_string(given.zScaleFactor));
      const Terrain terrain = colours.over(alt, given);
      expectSameBytes(fastMap(terrain, {2, 0}), test::referenceMap(terrain));
    }
  }
}

// 16-bit altitudes of step x byte + offset, and whole numbers so in 32 bits or reals, take
// their normals from a table of that step wherever a blocFile's window spans at most 127
// steps, and compute them elsewhere: the first column of blocFiles holds a quarter of the
// bytes (at most 63 steps), the others every byte. The reference knows nothing of steps.
TEST(FastWriter, SamplesInStepsMatchTheReference) {
  std::mt19937 random(303);
  const TerrainImages images = randomTerrain(random, 151, 101, 40);
  struct Case {
    SampleFormat format;
    int step;
    int offset;
    int halves = 2;  // the bytes' factor outside the first column, in halves
  };
  // Step 49 is the first whose multiples times its reciprocal fall short of the whole number;
  // -32768 is the first entry of the Int16 heights. 16-bit samples whose neighbours all lie
  // within 127 steps, a power of two, take the table everywhere, as do whole numbers so in 32
  // bits or reals: halves of the bytes; else a blocFile's span decides, as for the bytes (up
  // to 255 steps apart) and five times them.
  const Case cases[] = {
      {SampleFormat::kUInt16, 256, 0},        {SampleFormat::kUInt16, 257, 5},
      {SampleFormat::kUInt16, 256, 0, 1},     {SampleFormat::kInt16, 1, -200, 1},
      {SampleFormat::kInt16, 128, -16384, 1}, {SampleFormat::kUInt16, 257, 5, 1},
      {SampleFormat::kUInt16, 2, 3, 10},      {SampleFormat::kInt16, 1, -9000, 10},
      {SampleFormat::kInt16, 1, -200},        {SampleFormat::kInt16, 3, -30000},
      {SampleFormat::kUInt16, 49, 7},         {SampleFormat::kInt16, 1, -32768},
      {SampleFormat::kUInt16, 0, 1234},  // flat
      {SampleFormat::kFloat32, 1, -200},      {SampleFormat::kFloat32, 256, 0},
      {SampleFormat::kInt32, 3, -30000},      {SampleFormat::kUInt32, 5, 100000},
      {SampleFormat::kFloat64, 49, 7},        {SampleFormat::kFloat64, 0, -7},
      {SampleFormat::kFloat32, 1, -200, 1},   {SampleFormat::kFloat32, 256, 3, 1},
      {SampleFormat::kInt32, 4, -30000, 1},   {SampleFormat::kFloat64, 2, 7, 1}};
  // The last but one brings the normals' cross products near a float's range; the last is
  // refused.
  const Settings settings[] = {Settings{{-0.3f, 0.7f, 0.2f}, -1.7f / 256, 12.5f, {}},
                               Settings{{1, 1, 2}, 3.7f, -40, {}},
                               Settings{{1, 1, 2}, 2.5e32f, 0, {}},
                               Settings{{1, 1, 2}, std::numeric_limits<float>::infinity(), 0, {}}};
  const test::ColourTextures colours = colourImages(images);
  for (const Case& c : cases) {
    const MemoryTexture alt(
        "alt.tif", images.width, images.height, sampleBytes(c.format),
        samplesOf(c.format, images.alt.size(),
                  [&](std::size_t i) {
                    const bool gentle = i % images.width < 53;
                    return (gentle ? images.alt[i] / 4 : images.alt[i] * c.halves / 2) * c.step +
                           c.offset;
                  }),
        c.format);
    for (const Settings& given : settings) {
      SCOPED_TRACE("sample bytes " + std::to_string(sampleBytes(c.format)) + ", step " +
                   std::to_string(c.step) + ", offset " + std::to_string(c.offset) + ", halves " +
                   std::to_string(c.halves) + ", z scale " + std::to_string(given.zScaleFactor));
      const Terrain terrain = colours.over(alt, given);
      if (std::isinf(given.zScaleFactor)) {
        test::expectFailure(
            [&] {
              fastMap(terrain, {2, 0});
            },
            "erreur: alt.tif donne des hauteurs hors limites\n");
        continue;
      }
      expectSameBytes(fastMap(terrain, {2, 0}), test::referenceMap(terrain));
    }
  }
}

// A colour image kept in blocks is read a blocFile to a block: blocks of any other width are a
// caller's mistake, refused rather than read at the wrong place.
TEST(FastWriter, ColourBlocksThatAreNotBlocFilesAreRefused) {
  const TerrainImages images =
      test::uniformTerrain(51, 51, 30, {255, 255, 255}, {0, 0, 0}, {200, 100, 50}, {0, 0, 0});
  const MemoryTexture alt("alt.bmp", 51, 51, 1, images.alt);
  test::ColourTextures colours = colourImages(images);
  const Terrain terrain = colours.over(alt, Settings{});
  const BlocEncoder encoder(terrain, nullptr, Shading{});
  std::vector<std::uint8_t> out(static_cast<std::size_t>(kBlocFileBytes));
  colours.ambMat.blockColumns = 3;
  EXPECT_THROW(encoder.encode(0, 0, out.data()), std::invalid_argument);
  colours.ambMat.blockColumns = 51;  // one block: the rows themselves
  EXPECT_NO_THROW(encoder.encode(0, 0, out.data()));
}

TEST(FastWriter, TableHoldsTheComputedNormalOfEveryTriangle) {
  // Odd scales too: every entry must be the computed bits, NaNs and infinities included.
  for (const float zScaleFactor :
       {1.0f, -2.5f, 0.3f, 0.0f, -0.0f, 1e-45f, 3e38f, std::numeric_limits<float>::infinity(),
        std::numeric_limits<float>::quiet_NaN()}) {
    const TriangleTable table(zScaleFactor, 1, 255, 2);
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
