#pragma once

#include <array>
#include <bit>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <random>
#include <string>
#include <vector>

namespace quorvel::test {

using Bytes = std::vector<std::uint8_t>;

// What quorvel prints before it reads an image, with no setting on the command line.
inline const std::string kBanner = "quorvel 0.01.0000\n";
inline const std::string kUsage =
    "usage: quorvel prefix [x y z light direction] [z scale factor] [sea level]\n";
inline const std::string kDefaultSettings =
    "light direction= 0.000000 0.000000 1.000000\n"
    "z scale factor= 1.000000\n"
    "sea Level=0.000000\n";

// True in a build with AddressSanitizer, whose allocator and shadow memory defeat the tests
// that limit a child's address space.
constexpr bool underAddressSanitizer() {
#if defined(__SANITIZE_ADDRESS__)
  return true;
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
  return true;
#else
  return false;
#endif
#else
  return false;
#endif
}

// A BMP file: 14-byte file header, 40-byte info header, for 8-bit files a 256-entry colour
// table (entry i is blue i, green i, red i, 0 unless given), then rows exactly as given
// (the caller supplies pad bytes).
Bytes bmp8(std::int32_t width, std::int32_t height, const Bytes& rows, const Bytes& table = {});
Bytes bmp24(std::int32_t width, std::int32_t height, const Bytes& rows);

// Rows with their pad bytes from packed pixels (8-bit: indices; 24-bit: blue, green, red).
Bytes padRows(std::int32_t width, std::int32_t height, int bytesPerPixel, const Bytes& packed);

void setLe16(Bytes& bytes, std::size_t offset, std::uint16_t value);
void setLe32(Bytes& bytes, std::size_t offset, std::uint32_t value);
std::uint32_t getLe32(const Bytes& bytes, std::size_t offset);
float getFloat(const Bytes& bytes, std::size_t offset);

inline std::uint32_t bitsOf(float value) { return std::bit_cast<std::uint32_t>(value); }

Bytes readFile(const std::filesystem::path& path);
void writeFile(const std::filesystem::path& path, const Bytes& bytes);

// A fresh directory under the system temporary directory, removed with everything in it.
class TempDir {
 public:
  TempDir();
  ~TempDir();
  TempDir(const TempDir&) = delete;
  TempDir& operator=(const TempDir&) = delete;
  [[nodiscard]] const std::filesystem::path& path() const { return path_; }
  [[nodiscard]] std::filesystem::path operator/(const std::string& name) const {
    return path_ / name;
  }

 private:
  std::filesystem::path path_;
};

// One file with the given bytes, removed on scope exit.
class TempFile {
 public:
  explicit TempFile(const Bytes& bytes);
  [[nodiscard]] std::string name() const { return (dir_ / "image.bmp").string(); }

 private:
  TempDir dir_;
};

// The BMP reader's message number (1 to 5) naming fileName, exactly as printed.
std::string bmpMessage(int number, const std::string& fileName);

// Runs action and expects it to throw a Failure whose message is exactly message.
void expectFailure(const std::function<void()>& action, const std::string& message);

// The five images of a terrain: alt (8-bit) and the four colour images (24-bit, red, green,
// blue per pixel, packed, row 0 first), written as prefix + role + ".bmp".
struct TerrainImages {
  std::int32_t width = 0;
  std::int32_t height = 0;
  Bytes alt;     // width * height altitude bytes
  Bytes difMat;  // width * height * 3 bytes, red first
  Bytes ambMat;
  Bytes difLight;
  Bytes ambLight;
};

// Uniform images: every altitude alt, every colour as given (red, green, blue).
TerrainImages uniformTerrain(std::int32_t width, std::int32_t height, std::uint8_t alt,
                             std::array<std::uint8_t, 3> difMat, std::array<std::uint8_t, 3> ambMat,
                             std::array<std::uint8_t, 3> difLight,
                             std::array<std::uint8_t, 3> ambLight);

// Altitudes from smooth to wild: a walk from a random level by at most roughness a pixel (at
// 255, every difference from -255 to 255 shows up), and colours at random, all drawn from
// random in that order, so that every table corner and every clamp of the lighting is
// exercised.
TerrainImages randomTerrain(std::mt19937& random, std::int32_t width, std::int32_t height,
                            int roughness);

void writeTerrain(const std::filesystem::path& prefix, const TerrainImages& images);

// What body returns, run in a forked child whose address space is what this process holds
// plus extraBytes: the allocations a test expects to fail then fail there, not here. "no
// limit" when the limit cannot be set; " (the child died)" is added when the child does not
// end normally.
std::string textFromChildWithin(std::size_t extraBytes, const std::function<std::string()>& body);

// The path of a file in the repository's test data.
std::filesystem::path testData(const std::string& relative);

}  // namespace quorvel::test
