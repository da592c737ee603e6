#pragma once

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "failure.h"

namespace quorvel {

// How the samples of an image are held in pixels: one sample per channel, in the host's byte
// order. BMP images and colour images are always kUInt8; an altitude image read from another
// format keeps its samples' own type, so that no height loses precision.
enum class SampleFormat { kUInt8, kUInt16, kInt16, kUInt32, kInt32, kFloat32, kFloat64 };

[[nodiscard]] constexpr int sampleBytes(SampleFormat format) {
  switch (format) {
    case SampleFormat::kUInt8:
      return 1;
    case SampleFormat::kUInt16:
    case SampleFormat::kInt16:
      return 2;
    case SampleFormat::kUInt32:
    case SampleFormat::kInt32:
    case SampleFormat::kFloat32:
      return 4;
    case SampleFormat::kFloat64:
      return 8;
  }
  return 0;
}

// Calls visit with a value-initialised sample of format's type and returns what it returns:
// the one place where a format becomes a type, for code templated over the sample.
template <class Visit>
decltype(auto) visitSample(SampleFormat format, Visit&& visit) {
  switch (format) {
    case SampleFormat::kUInt16:
      return visit(std::uint16_t{});
    case SampleFormat::kInt16:
      return visit(std::int16_t{});
    case SampleFormat::kUInt32:
      return visit(std::uint32_t{});
    case SampleFormat::kInt32:
      return visit(std::int32_t{});
    case SampleFormat::kFloat32:
      return visit(float{});
    case SampleFormat::kFloat64:
      return visit(double{});
    case SampleFormat::kUInt8:
      break;
  }
  return visit(std::uint8_t{});
}

// What an image is read for: an altitude image keeps its samples' own type, a colour image
// becomes red, green, blue bytes.
enum class RasterKind { kAltitude, kColour };

// Which pixels a load keeps: `columns` of each of `rows` rows, from column x0 of row y0 on
// (map order: row 0 is the bottom row of the picture, column 0 the left). A header may claim
// billions of pixels in a file of a kilobyte; the map uses only what the altitude image
// covers, so nothing more is allocated, filled or read. A world's tiles read their windows
// anywhere in the images.
struct KeepWindow {
  std::int32_t columns = std::numeric_limits<std::int32_t>::max();
  std::int32_t rows = std::numeric_limits<std::int32_t>::max();
  // An image wider or higher than the window keeps no pixel at all rather than a crop: an
  // altitude image that large can never make a map, and only its size is reported.
  bool wholeOrNothing = false;
  std::int32_t x0 = 0;  // 0 or more
  std::int32_t y0 = 0;
  // Above 1: the pixels are kept in blocks of this many columns (Texture::blockColumns) when
  // the kept width is one more than a multiple of blockColumns - 1; a BMP reader's option.
  std::int32_t blockColumns = 0;
};

// The size of the kept part of a fileWidth x fileHeight image (both 0 or more): what the
// window holds of it.
[[nodiscard]] inline std::pair<std::int32_t, std::int32_t> keptSize(const KeepWindow& window,
                                                                    std::int32_t fileWidth,
                                                                    std::int32_t fileHeight) {
  if (window.wholeOrNothing && (fileWidth > window.columns || fileHeight > window.rows)) {
    return {0, 0};
  }
  const auto side = [](std::int32_t file, std::int32_t start, std::int32_t count) {
    return file > start ? std::min(file - start, count) : 0;
  };
  return {side(fileWidth, window.x0, window.columns), side(fileHeight, window.y0, window.rows)};
}

// Where an image's pixels lie on the ground, as its file says, in GDAL's terms: transform
// takes a pixel corner's column and row, counted from the first stored pixel, to the
// reference system's x = t[0] + column t[1] + row t[2] and y = t[3] + column t[4] + row t[5];
// crs is that system as WKT, empty when the file names none.
struct Georeference {
  std::array<double, 6> transform{};
  std::string crs;
  bool operator==(const Georeference&) const = default;
};

// The grid a terrain's colour images are placed on: the altitude image's, as its file holds
// it (its size, not what a load kept of it).
struct ImageGrid {
  std::string fileName;  // the altitude image, for messages
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::optional<Georeference> georeference;
  bool operator==(const ImageGrid&) const = default;
};

// Where a load's notes go: what was found or assumed, for standard error, a line each
// without its line feed. Empty: standard error itself.
using NoteSink = std::function<void(const std::string& line)>;

// Sends line to notes, or to standard error when there is no sink. A control character,
// which only a file name can bring, is escaped as in every message.
inline void sendNote(const NoteSink& notes, const std::string& line) {
  const std::string escaped = escapeControls(line);
  if (notes) {
    notes(escaped);
  } else {
    std::fprintf(stderr, "%s\n", escaped.c_str());
  }
}

// One loaded image. width and height describe pixels: pixel (x, y) begins at byte
// (x + y * width) * bytesPerPixel, rows are packed and row 0 is the bottom row of the picture
// (in a BMP the first row stored, in a georeferenced raster the southern one). They are the
// file's own size unless the load kept a smaller window, which starts at the image's pixel
// (x0, y0); fileWidth and fileHeight say what the file holds, for the size checks and their
// messages and the map code's borders, except for a colour image placed on a georeferenced
// altitude's grid, which holds that grid's pixels and has its size. A 3-byte
// pixel is red, green, blue; a 1-byte pixel is an altitude (a grey level, or the stored colour
// index when the colour table is not grey).
class Texture {
 public:
  Texture(const Texture&) = delete;
  Texture& operator=(const Texture&) = delete;
  virtual ~Texture() = default;

  // Fills the image fields from the file named by fileName; returns only on success.
  virtual void load() = 0;

  // Tells whoever loads the image what was found or assumed: one line, no line feed. A
  // control character, which only a file name can bring, is escaped as in every message.
  void note(const std::string& line) const { sendNote(notes_, line); }

  std::string fileName;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t fileWidth = 0;
  std::int32_t fileHeight = 0;
  std::int32_t x0 = 0;  // where pixel (0, 0) is in the file
  std::int32_t y0 = 0;
  std::int32_t bitsPerPixel = 0;
  std::int32_t bytesPerPixel = 0;  // sampleBytes(sampleFormat) times the channels
  // 0: the rows as above. Otherwise the kept columns are in blocks of blockColumns that
  // overlap by one, as blocFiles do: block b holds columns b (blockColumns - 1) on, each of
  // its rows blockColumns pixels, row 0 first, and the blocks follow each other. A blocFile's
  // pixels of a colour image are then a few pages rather than a page a row.
  std::int32_t blockColumns = 0;
  SampleFormat sampleFormat = SampleFormat::kUInt8;
  std::vector<std::uint8_t> palette;  // 256 x red, green, blue for an 8-bit image; else empty
  std::vector<std::uint8_t> pixels;
  std::optional<Georeference> georeference;  // the file's own; none for BMPs
  bool warped = false;  // a colour image warped onto the altitude's grid by its georeferencing
  // A 16-bit altitude's step and largest rise (the map's sixteenBitReach), when they were found
  // as the samples were read; the samples must not change while it is set.
  std::optional<std::array<int, 2>> reach16;

 protected:
  explicit Texture(std::string name, NoteSink notes = {})
      : fileName(std::move(name)), notes_(std::move(notes)) {}

 private:
  NoteSink notes_;
};

// The grid of an image as its file holds it.
[[nodiscard]] inline ImageGrid gridOf(const Texture& image) {
  return ImageGrid{image.fileName, image.fileWidth, image.fileHeight, image.georeference};
}

}  // namespace quorvel
