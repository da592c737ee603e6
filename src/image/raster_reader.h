#pragma once

#include <cstddef>
#include <cstdint>
#include <limits>
#include <memory>
#include <string>
#include <vector>

#include "image/samples_ahead.h"
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

// PROJ, which GDAL loads with it, loaded ahead of GDAL so that its database of coordinate
// systems can be opened on another core while GDAL loads: the first georeferenced file would
// otherwise open it on the reading thread (6 to 10 ms), and PROJ shares an open database
// among its contexts. Speed only: where PROJ cannot be loaded, nothing is done. PROJ stays
// loaded, as GDAL keeps it.
class ProjAhead {
 public:
  // Loads PROJ and finds its functions here, as the other thread could do neither until GDAL
  // is loaded: the system's loader serves one thread at a time.
  ProjAhead();
  ~ProjAhead();
  ProjAhead(const ProjAhead&) = delete;
  ProjAhead& operator=(const ProjAhead&) = delete;

  // Never throws.
  void openDatabase() const;

 private:
  struct Functions;
  std::unique_ptr<Functions> functions_;
};

// Pixels without altitude that loads of windows of one altitude image found, so that a world,
// which reads its altitude a window at a time, refuses it as quorvel does: counted over the
// whole image, the first named in the whole picture.
struct AltitudeHoles {
  long long count = 0;
  long long first = 0;  // in the whole picture's order, north up: row from the top x width + column
  unsigned marks = 0;   // what marked them
  double noData = 0.0;  // the band's nodata value, for the hint
  // Only the pixels of map columns countX0 to countX1 - 1 and rows countY0 to countY1 - 1
  // are counted, so that windows that overlap count each pixel once.
  std::int32_t countX0 = 0;
  std::int32_t countY0 = 0;
  std::int32_t countX1 = std::numeric_limits<std::int32_t>::max();
  std::int32_t countY1 = std::numeric_limits<std::int32_t>::max();
};

// Adds more to holes.
void addHoles(AltitudeHoles& holes, const AltitudeHoles& more);

// Throws the refusal of the holes of altitude image fileName, fileWidth pixels wide.
[[noreturn]] void refuseHoles(const std::string& fileName, const AltitudeHoles& holes,
                              std::int32_t fileWidth);

// The parts a window of a raster is read in, each by one call to GDAL: the window's columns
// x to x + width - 1 of rows y to y + height - 1 (the file's, as stored), cut along a grid of
// rows x columns cells from the file's corner, so that a part holds whole blocks of the
// file's layout and no block is decoded for two parts. Parts are numbered row by row.
struct RasterParts {
  struct Window {
    int x, y, width, height;
  };
  int x, y, width, height;
  int rows, columns;  // the grid's cells, at least 1 each
  [[nodiscard]] int count() const;
  [[nodiscard]] int rowParts() const;
  [[nodiscard]] int columnParts() const;
  [[nodiscard]] Window part(int index) const;
};

// The parts of a window of a raster stored in blockWidth x blockHeight blocks of pixelBytes
// a pixel: one block of tiles, whole rows of strips, about a megabyte a part; the whole
// window in one part when the blocks are not reachable one by one (reachable false).
[[nodiscard]] RasterParts rasterParts(int x, int y, int width, int height, int blockWidth,
                                      int blockHeight, int pixelBytes, bool reachable);

// What pages made ready for an altitude's samples may hold, before the file's kept samples are
// known and beyond them after: the memory bound's share beyond the pixels.
inline constexpr std::size_t kReadySpareBytes = std::size_t{32} << 20;

// An image read through GDAL (any format but the BMPs, which have their own reader), held
// the way a BMP is: row 0 is the bottom row of the picture, and for a georeferenced raster
// the picture is drawn north up, as a GIS draws it (StoredOrder).
// - An altitude image has one band, or two (the second an alpha band); its samples keep their
//   type (sampleFormat) unless the band has a scale or an offset, which are applied
//   (H = raw x scale + offset, held as doubles), and a paletted band follows the grey-table
//   rule. A pixel has no altitude where GDAL's mask for the band is 0 (a mask, an alpha band
//   GDAL recognises, the nodata value as GDAL compares it; a signed byte band's nodata value
//   compared with the signed value), where a 2-band image's second band is 0, and where the
//   sample is NaN or infinite: such an image is refused, or with holes they are added there.
//   An image larger than window can never make a map: it keeps its size but no pixels.
// - A colour image has 3 or 4 bands of bytes (alpha ignored), or 1 or 2 read as grey (a
//   palette is expanded), and is read through a ColourPlacement on grid: placed by its
//   georeferencing when it and grid have one, else its bottom-left window's pixels as they
//   are, as a BMP's.
// Construction loads the file or throws a Failure naming it, with GDAL's reason or what
// was found as the hint. GDAL's own messages never reach standard output. GDAL itself is
// loaded by whoever reads the first such image (GdalLibrary).
class RasterTexture final : public Texture {
 public:
  // ready: for an altitude, its samples when they were read ahead and GDAL then finds the
  // layout that was guessed in the same file; else its memory, reserved for the samples with
  // its first pixels.size() bytes on pages made, taken when it holds them with at most
  // kReadySpareBytes to spare and given back first otherwise.
  RasterTexture(std::string name, RasterKind kind, const KeepWindow& window, GdalLibrary& gdal,
                NoteSink notes = {}, ImageGrid grid = {}, AltitudeHoles* holes = nullptr,
                SamplesAhead ready = {});
  void load() override;

 private:
  void loadColour();

  RasterKind kind_;
  KeepWindow window_;
  GdalLibrary& gdal_;
  ImageGrid grid_;
  AltitudeHoles* holes_;
  SamplesAhead ahead_;  // what was read ahead, its pixels moved to the texture's
};

}  // namespace quorvel
