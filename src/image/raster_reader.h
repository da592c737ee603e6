#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "image/texture.h"

namespace quorvel {

// GDAL, loaded for the images that need it: it and the hundred libraries it brings take about
// a tenth of a second to load and start, so runs on BMPs alone never load it. Whoever reads
// such images makes one and passes it down; nothing of it is process-wide but what GDAL
// keeps itself (its drivers, its settings), and the library stays loaded once it is.
class GdalLibrary {
 public:
  struct Api;  // GDAL's functions, as the library gives them

  // Loads GDAL, or throws the open message naming fileName, the first image that needs it,
  // with the reason. Without trustedInputs GDAL reads only local files in the formats of its
  // allow-list; with it, VRT files and network names too.
  explicit GdalLibrary(const std::string& fileName, bool trustedInputs = false);
  ~GdalLibrary();
  GdalLibrary(const GdalLibrary&) = delete;
  GdalLibrary& operator=(const GdalLibrary&) = delete;

  [[nodiscard]] Api& api() const { return *api_; }

  // Lets GDAL open files with a driver that the calling program registered itself, a format
  // of its own, besides the allow-list. name must live as long as the library.
  void allowDriver(const char* name);

 private:
  std::unique_ptr<Api> api_;
};

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
// loaded by whoever reads the first such image (GdalLibrary).
class RasterTexture final : public Texture {
 public:
  RasterTexture(std::string name, RasterKind kind, const KeepWindow& window, GdalLibrary& gdal,
                NoteSink notes = {});
  void load() override;

 private:
  RasterKind kind_;
  KeepWindow window_;
  GdalLibrary& gdal_;
};

}  // namespace quorvel
