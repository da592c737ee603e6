#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

struct TextureCacheEntry;

// How the samples of an image are held in pixels: one sample per channel, in the host's byte
// order. BMP images and colour images are always kUInt8; an altitude image read from another
// format keeps its samples' own type, so that no height loses precision.
enum class SampleFormat { kUInt8, kUInt16, kInt16, kUInt32, kInt32, kFloat32, kFloat64 };

[[nodiscard]] constexpr int sampleBytes(SampleFormat format) {
  switch (format) {
    case SampleFormat::kUInt8: return 1;
    case SampleFormat::kUInt16:
    case SampleFormat::kInt16: return 2;
    case SampleFormat::kUInt32:
    case SampleFormat::kInt32:
    case SampleFormat::kFloat32: return 4;
    case SampleFormat::kFloat64: return 8;
  }
  return 0;
}

// The enumerant values a renderer would give these settings; the compiler only stores them.
inline constexpr std::int32_t kPixelFormatLuminance = 6409;
inline constexpr std::int32_t kPixelFormatRgb = 6407;

// One loaded image. Pixel (x, y) begins at byte (x + y * width) * bytesPerPixel of pixels;
// rows are packed and row 0 is the first row stored in the file. A 3-byte pixel is red,
// green, blue; a 1-byte pixel is the stored byte (the palette is not applied).
class Texture {
 public:
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;
  virtual ~Texture();

  // Fills the image fields from the file named by fileName; returns only on success.
  virtual void load() = 0;

  std::string fileName;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bitsPerPixel = 0;
  std::vector<std::uint8_t> palette;  // 256 x red, green, blue for an 8-bit image; else empty
  std::vector<std::uint8_t> pixels;
  std::uint32_t textureName = 0;  // a renderer's texture name; 0 means none
  bool flag = true;
  std::int32_t bytesPerPixel = 0;  // sampleBytes(sampleFormat) times the channels
  SampleFormat sampleFormat = SampleFormat::kUInt8;
  std::int32_t pixelFormat = 0;
  float minFilter = 9987.0f;  // linear, mipmap linear
  float magFilter = 9729.0f;  // linear
  float wrapS = 10497.0f;     // repeat
  float wrapT = 10497.0f;     // repeat
  float envMode = 8448.0f;    // modulate
  TextureCacheEntry* cacheEntry = nullptr;

 protected:
  explicit Texture(std::string name) : fileName(std::move(name)) {}
};

// A renderer that uploads textures installs its release function here; the compiler never
// uploads one, so textureName stays 0 and this is never called.
using DeleteTexturesFunction = void (*)(std::int32_t count, const std::uint32_t* names);
extern DeleteTexturesFunction deleteTextures;

}  // namespace quorvel
