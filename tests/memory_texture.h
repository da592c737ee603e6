#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "image/texture.h"
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

}  // namespace quorvel::test
