#pragma once

#include <array>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "image/pixel_buffer.h"
#include "image/texture.h"
#include "quorvel/types.h"

namespace quorvel {

class GdalLibrary;

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
};

// How a loader treats the files it is given.
struct ImageLoaderOptions {
  // Lets GDAL open VRT files and network names (--trusted-inputs), for users who vouch for
  // their files; every source of a VRT must still be a local regular file or a network name.
  bool trustedInputs = false;
};

// Loads the images of compiles. It owns everything loading needs, so that none of it is
// process-wide and two loaders may work at once on two threads: the records read so far,
// the colour images' memory made ready ahead, and GDAL once an image needs it.
class ImageLoader {
 public:
  // The notes of every image loaded go to notes (standard error when it is empty).
  explicit ImageLoader(NoteSink notes = {}, ImageLoaderOptions options = {});
  ~ImageLoader();
  ImageLoader(const ImageLoader&) = delete;
  ImageLoader& operator=(const ImageLoader&) = delete;

  // The five images of a terrain in role order, each checked as soon as it is loaded (a BMP's
  // depth: 8 bits for the altitude, 24 for the colours; other files by the raster reader's
  // rules), so that no later file is opened after a wrong one. Throws the first refusal.
  TerrainTextures loadTerrain(const ImageNames& names, const KeepRule& keep);

  // One image, read by the BMP reader when its name ends in .bmp (any case) and through GDAL
  // otherwise, unchecked. A file asked for again, by the exact name, for the same kind of image
  // and a window that keeps the same pixels, is not read again: the first record is returned.
  // A load that fails leaves no record.
  const Texture& load(const std::string& fileName, RasterKind kind, const KeepWindow& keep = {});

 private:
  void prepareColourBuffers(const ImageNames& names, const KeepWindow& altitude);

  struct Record {
    RasterKind kind;
    std::unique_ptr<Texture> texture;
  };
  ImageLoaderOptions options_;
  std::vector<Record> records_;
  PixelBuffers buffers_;
  std::unique_ptr<GdalLibrary> gdal_;
  NoteSink notes_;
};

// The files the command line reads for files: prefix + role + "." + ext unless named
// outright.
[[nodiscard]] ImageNames imageNamesOf(const ImageFiles& files);

// Whether fileName ends in ".bmp" in any case: such names go to the BMP reader.
[[nodiscard]] bool isBmpName(const std::string& fileName);

}  // namespace quorvel
