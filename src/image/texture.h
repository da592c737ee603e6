#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

struct TextureCacheEntry;

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
  std::int32_t bytesPerPixel = 0;
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
