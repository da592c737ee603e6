#include "map/cell_encoding.h"

#include <gtest/gtest.h>

#include <array>
#include <bit>
#include <cstddef>
#include <cstdint>
#include <string>

#include "memory_texture.h"
#include "reference_map.h"
#include "test_support.h"

namespace quorvel {
namespace {

using test::bitsOf;
using test::Bytes;
using test::MemoryTexture;
using test::vertexColor;
using test::vertexHeight;

using Rgb = std::array<std::uint8_t, 3>;

MemoryTexture colorImage(const std::string& name, int width, int height, Rgb rgb) {
  Bytes pixels;
  for (int i = 0; i < width * height; ++i) pixels.insert(pixels.end(), rgb.begin(), rgb.end());
  return MemoryTexture(name, width, height, 3, pixels);
}

void setPixel(MemoryTexture& image, int x, int y, Rgb rgb) {
  const auto at = static_cast<std::size_t>((x + y * image.width) * 3);
  for (int c = 0; c < 3; ++c) image.pixels[at + c] = rgb[c];
}

// The five images of a small terrain, all one colour each, on flat ground unless alt is
// changed; the map code reads them through terrain().
struct Images {
  Images(int width, int height, std::uint8_t altitude)
      : alt("alt.bmp", width, height, 1, Bytes(static_cast<std::size_t>(width) * height, altitude)),
        difMat(colorImage("DifMat.bmp", width, height, {0, 0, 0})),
        ambMat(colorImage("AmbMat.bmp", width, height, {0, 0, 0})),
        difLight(colorImage("DifLight.bmp", width, height, {0, 0, 0})),
        ambLight(colorImage("AmbLight.bmp", width, height, {0, 0, 0})) {}

  // All four colour images get pixel (x, y) = the given byte in every channel.
  void setAll(int x, int y, std::uint8_t dl, std::uint8_t dm, std::uint8_t al, std::uint8_t am) {
    setPixel(difLight, x, y, {dl, dl, dl});
    setPixel(difMat, x, y, {dm, dm, dm});
    setPixel(ambLight, x, y, {al, al, al});
    setPixel(ambMat, x, y, {am, am, am});
  }

  [[nodiscard]] Terrain terrain(Vector3 unitLight) const {
    Settings settings;
    settings.lightDirection = unitLight;
    return Terrain{alt, difMat, ambMat, difLight, ambLight, settings};
  }

  MemoryTexture alt;
  MemoryTexture difMat;
  MemoryTexture ambMat;
  MemoryTexture difLight;
  MemoryTexture ambLight;
};

const Vector3 kOverhead{0.0f, 0.0f, 1.0f};
const Vector3 kBelow{0.0f, 0.0f, -1.0f};

TEST(CellEncoding, HeightIsAltitudeMinusSeaLevelTimesScaleRoundedOnce) {
  struct Case {
    std::uint8_t altitude;
    float seaLevel;
    float zScaleFactor;
    std::uint32_t height;
  };
  const Case cases[] = {
      {0, 0.0f, 1.0f, bitsOf(0.0f)},
      {255, 0.0f, 1.0f, bitsOf(255.0f)},
      {200, 50.0f, 0.5f, bitsOf(75.0f)},
      {10, 50.0f, 1.0f, bitsOf(-40.0f)},  // below the sea: no lower limit
      {0, 0.0f, -1.0f, 0x80000000},       // 0 times a negative scale is -0
      // Single rounding of the double result; rounding the difference first gives ...eb.
      {1, 0.1f, 0.1f, 0x3db851ec},
      {242, std::bit_cast<float>(0x427a49c2u), std::bit_cast<float>(0xc026d640u), 0xc3e9de6b},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE("altitude " + std::to_string(c.altitude));
    const MemoryTexture alt("alt.bmp", 2, 1, 1, {9, c.altitude});
    Settings settings;
    settings.seaLevel = c.seaLevel;
    settings.zScaleFactor = c.zScaleFactor;
    EXPECT_EQ(bitsOf(vertexHeight(alt, settings, 1, 0)), c.height);
  }
}

// A byte's factor is its product with the scale, exact in double, rounded once to float.
TEST(CellEncoding, ColourFactorIsTheProductRoundedOnce) {
  for (int byte = 0; byte < 256; ++byte) {
    ASSERT_EQ(std::bit_cast<std::uint32_t>(colorFactor(static_cast<std::uint8_t>(byte))),
              std::bit_cast<std::uint32_t>(static_cast<float>(byte * 0.0039215688593685627)))
        << byte;
  }
}

// With the light straight onto flat ground d is exactly 1, and the float factors must still
// give the integer part of the exact fraction for every pair of bytes.
TEST(CellEncoding, FlatGroundUnderOverheadLightIsDiffuseProductOver255) {
  Images images(3, 3, 40);
  for (int dl = 0; dl < 256; ++dl) {
    for (int dm = 0; dm < 256; ++dm) {
      images.setAll(1, 1, static_cast<std::uint8_t>(dl), static_cast<std::uint8_t>(dm), 0, 0);
      const int expected = dl * dm / 255;
      const Rgb color = vertexColor(images.terrain(kOverhead), 1, 1);
      ASSERT_EQ(color[0], expected) << dl << " x " << dm;
      ASSERT_EQ(color[2], expected) << dl << " x " << dm;
    }
  }
  const std::array<std::array<int, 3>, 3> examples = {
      {{128, 255, 128}, {200, 100, 78}, {128, 128, 64}}};
  for (const auto& e : examples) {
    images.setAll(1, 1, static_cast<std::uint8_t>(e[0]), static_cast<std::uint8_t>(e[1]), 0, 0);
    EXPECT_EQ(vertexColor(images.terrain(kOverhead), 1, 1)[1], e[2]);
  }
}

// A light below the ground, and the NaN direction that normalising 0, 0, 0 gives, both leave
// the ambient term alone; diffuse images are white so that any leak of d would show.
TEST(CellEncoding, NoDiffuseLightGivesAmbientProductOver255) {
  const float nan = std::bit_cast<float>(0x7fc00000u);
  const Vector3 lights[] = {kBelow, Vector3{nan, nan, nan}};
  Images images(3, 3, 40);
  for (const Vector3& light : lights) {
    SCOPED_TRACE(light.z);
    for (int al = 0; al < 256; ++al) {
      for (int am = 0; am < 256; ++am) {
        images.setAll(1, 1, 255, 255, static_cast<std::uint8_t>(al), static_cast<std::uint8_t>(am));
        ASSERT_EQ(vertexColor(images.terrain(light), 1, 1)[0], al * am / 255) << al << " x " << am;
      }
    }
  }
}

TEST(CellEncoding, DiffusePlusAmbientIsCappedAt255) {
  Images images(3, 3, 40);
  struct Case {
    std::uint8_t dl, dm, al, am;
    std::uint8_t channel;
  };
  const Case cases[] = {
      {255, 255, 255, 255, 255},  // 510 before the cap
      {200, 200, 200, 200, 255},  // 313
      {100, 200, 100, 200, 156},  // 78 + 78, under the cap
      {255, 255, 0, 0, 255},     {0, 0, 0, 0, 0},
  };
  for (const Case& c : cases) {
    images.setAll(1, 1, c.dl, c.dm, c.al, c.am);
    const Rgb color = vertexColor(images.terrain(kOverhead), 1, 1);
    EXPECT_EQ(color, (Rgb{c.channel, c.channel, c.channel})) << int{c.dl} << " " << int{c.al};
  }
  // Black materials stay black under any light and any light colour.
  images.setAll(1, 1, 255, 0, 255, 0);
  for (const Vector3& light : {kOverhead, kBelow, Vector3{0.6f, 0.0f, 0.8f}}) {
    EXPECT_EQ(vertexColor(images.terrain(light), 1, 1), (Rgb{0, 0, 0}));
  }
}

// On a slope under a slanting light d is an unrounded double near 0.7718; each of these byte
// sets tells a wrong rounding apart: rounding to nearest instead of truncating, the exact
// fraction b / 255 instead of the float factor, or rounding the channel value to float.
TEST(CellEncoding, SlantingLightKeepsEveryRoundingPoint) {
  Images images(11, 11, 0);
  for (int y = 0; y < 11; ++y) {
    for (int x = 0; x < 11; ++x)
      images.alt.pixels[static_cast<std::size_t>(x + 11 * y)] = static_cast<std::uint8_t>(x);
  }
  // normalize(1, 1, 2) as float32 values.
  const Vector3 light{std::bit_cast<float>(0x3ed105ecu), std::bit_cast<float>(0x3ed105ecu),
                      std::bit_cast<float>(0x3f5105ecu)};
  setPixel(images.difLight, 5, 5, {15, 76, 7});
  setPixel(images.difMat, 5, 5, {11, 82, 216});
  setPixel(images.ambLight, 5, 5, {13, 218, 241});
  setPixel(images.ambMat, 5, 5, {4, 130, 138});
  EXPECT_EQ(vertexColor(images.terrain(light), 5, 5), (Rgb{0, 130, 134}));
}

// Each image is addressed with its own width: larger colour images are read at alt's
// coordinates, not at alt's byte offsets.
TEST(CellEncoding, ColourImagesLargerThanAltUseTheirOwnWidth) {
  Images images(3, 3, 40);
  MemoryTexture wide = colorImage("DifMat.bmp", 7, 5, {0, 0, 0});
  setPixel(wide, 1, 2, {255, 128, 2});
  setPixel(images.difLight, 1, 2, {255, 255, 255});
  const Terrain terrain{images.alt,      wide,      images.ambMat, images.difLight,
                        images.ambLight, Settings{}};
  EXPECT_EQ(vertexColor(terrain, 1, 2), (Rgb{255, 128, 2}));
}

}  // namespace
}  // namespace quorvel
