#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel::bench {

// The five images of a synthetic terrain, packed, row 0 first: alt one byte per pixel, the
// colour images red, green, blue.
struct SyntheticTerrain {
  int side = 0;
  std::vector<std::uint8_t> alt;
  std::vector<std::uint8_t> difMat;
  std::vector<std::uint8_t> ambMat;
  std::vector<std::uint8_t> difLight;
  std::vector<std::uint8_t> ambLight;
};

// A side x side terrain of rolling hills, ridges and ripples whose altitudes span exactly
// 0..255, with colours that vary in all four colour images. Integer arithmetic only, so the
// same side gives the same bytes on every machine. The waves are fixed in pixels: a smaller
// terrain looks like a corner of a larger one (up to the stretch to 0..255).
[[nodiscard]] SyntheticTerrain generateTerrain(int side);

// Writes an uncompressed bottom-up BMP with the 40-byte info header: bytesPerPixel 1 gives an
// 8-bit file with a grey colour table, 3 a 24-bit one (pixels given red first). Throws
// std::runtime_error naming the file when it cannot be written.
void writeBmp(const std::string& fileName, int width, int height, int bytesPerPixel,
              const std::vector<std::uint8_t>& pixels);

// Writes an uncompressed 16-bit grey TIFF (one strip, little-endian) holding 256 x each
// altitude byte, rows stored top down so that a reader that turns the picture's bottom row
// into row 0 gets the rows of alt.bmp: compiled with z scale / 256 and sea level x 256 it
// gives the map of the 8-bit terrain. Throws std::runtime_error naming the file.
void writeAltitude16Tiff(const std::string& fileName, int side,
                         const std::vector<std::uint8_t>& alt);

// Writes prefix + "alt.bmp", "DifMat.bmp", "AmbMat.bmp", "DifLight.bmp" and "AmbLight.bmp".
void writeTerrain(const std::string& prefix, const SyntheticTerrain& terrain);

}  // namespace quorvel::bench
