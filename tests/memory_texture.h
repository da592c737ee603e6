#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "image/texture.h"
#include "map/terrain.h"
#include "test_support.h"

namespace quorvel::test {

// An image built in memory, for code that only reads a loaded record's fields.
class MemoryTexture final : public Texture {
 public:
  MemoryTexture(std::string name, std::int32_t imageWidth, std::int32_t imageHeight,
                std::int32_t pixelBytes, Bytes imagePixels,
                SampleFormat format = SampleFormat::kUInt8)
      : Texture(std::move(name)) {
    width = imageWidth;
    height = imageHeight;
    fileWidth = imageWidth;
    fileHeight = imageHeight;
    bytesPerPixel = pixelBytes;
    bitsPerPixel = 8 * pixelBytes;
    sampleFormat = format;
    pixels = std::move(imagePixels);
  }
  void load() override {}
};

// A terrain's four colour images in memory, named as their files would be, under any altitude
// image of their size.
struct ColourTextures {
  ColourTextures(std::int32_t width, std::int32_t height, Bytes difMatPixels, Bytes ambMatPixels,
                 Bytes difLightPixels, Bytes ambLightPixels)
      : difMat("DifMat.bmp", width, height, 3, std::move(difMatPixels)),
        ambMat("AmbMat.bmp", width, height, 3, std::move(ambMatPixels)),
        difLight("DifLight.bmp", width, height, 3, std::move(difLightPixels)),
        ambLight("AmbLight.bmp", width, height, 3, std::move(ambLightPixels)) {}
  [[nodiscard]] Terrain over(const Texture& alt, const Settings& settings) const {
    return Terrain{alt, difMat, ambMat, difLight, ambLight, settings};
  }
  MemoryTexture difMat;
  MemoryTexture ambMat;
  MemoryTexture difLight;
  MemoryTexture ambLight;
};

}  // namespace quorvel::test
