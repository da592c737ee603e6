#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/pixel_buffer.h"
#include "image/read_ring.h"
#include "image/texture.h"
#include "quorvel/types.h"

namespace quorvel {

class GdalLibrary;
struct AltitudeHoles;

// The five images of a terrain, in the order they are loaded.
enum class ImageRole { kAlt, kDifMat, kAmbMat, kDifLight, kAmbLight };
inline constexpr int kImageRoles = 5;
using ImageNames = std::array<std::string, kImageRoles>;

// The five images once loaded, by role; they live as long as their loader.
using TerrainTextures = std::array<const Texture*, kImageRoles>;

// Which pixels a terrain's images keep: the altitude's window, and each colour image's,
// which follows from the altitude once it is loaded (what its map reads).
struct KeepRule {
  KeepWindow altitude;
  std::function<KeepWindow(const Texture& alt)> colour;
  // Only the colour images' headers are read: their pixels come later, a band of rows at a
  // time (BmpColourBands), so none is kept or made ready.
  bool colourHeadersOnly = false;
};

// How a loader treats the files it is given.
struct ImageLoaderOptions {
  // Lets GDAL open VRT files and network names (--trusted-inputs), for users who vouch for
  // their files; every source of a VRT must still be a local regular file or a network name.
  bool trustedInputs = false;
  // Finds a 16-bit altitude's step and largest rise (Texture::reach16) on one thread, for
  // samples read while GDAL loads, so that the map need not look for them after; the map's
  // own function, passed down.
  std::function<std::array<int, 2>(const Texture& alt)> sixteenBitReach;
};

// Loads the images of compiles. It owns everything loading needs, so that none of it is
// process-wide and two loaders may work at once on two threads: the records read so far,
// the colour images' memory made ready ahead, the read rings, and GDAL once an image needs
// it. All of it, descriptors included, is released with the loader.
class ImageLoader {
 public:
  // The notes of every image loaded go to notes (standard error when it is empty).
  explicit ImageLoader(NoteSink notes = {}, ImageLoaderOptions options = {});
  ~ImageLoader();
  ImageLoader(const ImageLoader&) = delete;
  ImageLoader& operator=(const ImageLoader&) = delete;

  // The five images of a terrain in role order, each checked as soon as it is loaded (a BMP's
  // depth: 8 bits for the altitude, 24 for the colours; other files by the raster reader's
  // rules), so that no later file is opened after a wrong one. Throws the first refusal. The
  // colour images are placed on the altitude's grid; one taken pixel for pixel that is larger
  // than the altitude gets a note on standard error that only part of it is used.
  TerrainTextures loadTerrain(const ImageNames& names, const KeepRule& keep);

  // One image, read by the BMP reader when its name ends in .bmp (any case) and through GDAL
  // otherwise, unchecked; a colour image read through GDAL is placed on grid (the altitude
  // image's) by its georeferencing when both have one. A file asked for again, by the exact
  // name, for the same kind of image, the same grid and a window that keeps the same pixels,
  // is not read again: the first record is returned. A load that fails leaves no record.
  const Texture& load(const std::string& fileName, RasterKind kind, const KeepWindow& keep = {},
                      const ImageGrid& grid = {});

  // A window of an image this loader has loaded (with load or loadTerrain, which checked
  // it), read as load reads it, but owned by the caller and not kept; its notes, which the
  // first load gave, are dropped. Threads may call it at once: a world's tiles read their
  // windows so, the images loaded first with no pixels.
  // A colour image read through GDAL is placed on grid, as load places it; with holes, an
  // altitude's pixels without altitude are added there instead of refused. A BMP window that
  // an earlier call gave for the same file, given back as reuse, is read into again: a
  // world's tiles would otherwise each allocate and clear their pixels afresh.
  [[nodiscard]] std::unique_ptr<Texture> loadWindow(const std::string& fileName, RasterKind kind,
                                                    const KeepWindow& window,
                                                    const ImageGrid& grid = {},
                                                    AltitudeHoles* holes = nullptr,
                                                    std::unique_ptr<Texture> reuse = {}) const;

 private:
  void prepareColourBuffers(const ImageNames& names, const KeepWindow& altitude);

  struct Record {
    RasterKind kind;
    ImageGrid grid;  // what a colour image read through GDAL was placed on
    std::unique_ptr<Texture> texture;
  };
  ImageLoaderOptions options_;
  mutable ReadRings rings_;  // lent to loadWindow's callers one a thread, under its own lock
  std::vector<Record> records_;
  PixelBuffers buffers_;
  std::unique_ptr<GdalLibrary> gdal_;
  NoteSink notes_;
};

// The files the command line reads for files: prefix + role + "." + ext unless named
// outright.
[[nodiscard]] ImageNames imageNamesOf(const ImageFiles& files);

// Throws unless window, read again from the file header was loaded from (its headers,
// checked), still has header's size and depth and holds the columns x rows pixels asked for:
// a file rewritten since would leave the map code short of pixels.
void checkWindowUnchanged(const Texture& header, const Texture& window, std::int32_t columns,
                          std::int32_t rows);

// Whether a map can read the colour images of names a band at a time: each is a BMP, a
// regular file that can be read again, and not the altitude image.
[[nodiscard]] bool coloursReadableByBand(const ImageNames& names);

// Whether fileName ends in ".bmp" in any case: such names go to the BMP reader.
[[nodiscard]] bool isBmpName(const std::string& fileName);

}  // namespace quorvel
