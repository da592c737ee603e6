#pragma once

#include <cstdint>
#include <string>

#include "image/texture.h"

namespace quorvel {

// What an image is read for: an altitude image keeps its samples' own type, a colour image
// becomes red, green, blue bytes.
enum class RasterKind { kAltitude, kColour };

// An image read through GDAL (any format but the BMPs, which have their own reader), held
// the way a BMP is: row 0 is the bottom row of the picture.
// - An altitude image has one band, or grey and alpha; its samples keep their type
//   (sampleFormat) and a paletted band follows the grey-table rule. A sample equal to the
//   band's nodata value, NaN or an infinity is refused. An image larger than window can
//   never make a map: it keeps its size but no pixels.
// - A colour image has 3 or 4 bands of bytes (alpha ignored), or 1 or 2 read as grey (a
//   palette is expanded). It keeps only the window's first columns of its first rows (the
//   bottom rows of the picture), as a BMP does.
// Construction loads the file or throws a Failure naming it, with GDAL's reason or what
// was found as the hint. GDAL's own messages never reach standard output. GDAL itself is
// loaded at the first such image, so runs on BMPs alone never load it.
class RasterTexture final : public Texture {
 public:
  RasterTexture(std::string name, RasterKind kind, const KeepWindow& window);
  void load() override;

 private:
  RasterKind kind_;
  KeepWindow window_;
};

// The process-wide records read through GDAL, one per file name and kind; a file is read on
// its first request only.
const Texture& loadRaster(const std::string& fileName, RasterKind kind, const KeepWindow& window);

// Whether fileName ends in ".bmp" in any case: such names go to the BMP reader.
[[nodiscard]] bool isBmpName(const std::string& fileName);

}  // namespace quorvel
