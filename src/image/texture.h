#pragma once

#include <algorithm>
#include <cstdint>
#include <cstdio>
#include <functional>
#include <limits>
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

// Which pixels a load keeps: the first `columns` of each of the first `rows` rows. A header
// may claim billions of pixels in a file of a kilobyte; the map uses only what the altitude
// image covers, so nothing more is allocated, filled or read.
struct KeepWindow {
  std::int32_t columns = std::numeric_limits<std::int32_t>::max();
  std::int32_t rows = std::numeric_limits<std::int32_t>::max();
  // An image wider or higher than the window keeps no pixel at all rather than a crop: an
  // altitude image that large can never make a map, and only its size is reported.
  bool wholeOrNothing = false;
};

// The size of the kept part of a fileWidth x fileHeight image (both 0 or more).
[[nodiscard]] inline std::pair<std::int32_t, std::int32_t> keptSize(const KeepWindow& window,
                                                                    std::int32_t fileWidth,
                                                                    std::int32_t fileHeight) {
  if (window.wholeOrNothing && (fileWidth > window.columns || fileHeight > window.rows)) {
    return {0, 0};
  }
  return {std::min(fileWidth, window.columns), std::min(fileHeight, window.rows)};
}

// Where a load's notes go: what was found or assumed, for standard error, a line each
// without its line feed. Empty: standard error itself.
using NoteSink = std::function<void(const std::string& line)>;

// One loaded image. width and height describe pixels: pixel (x, y) begins at byte
// (x + y * width) * bytesPerPixel, rows are packed and row 0 is the first row stored in the
// file. They are the file's own size unless the load kept a smaller window; fileWidth and
// fileHeight always say what the file holds, for the size checks and their messages. A 3-byte
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
  void note(const std::string& line) const {
    const std::string escaped = escapeControls(line);
    if (notes_) {
      notes_(escaped);
    } else {
      std::fprintf(stderr, "%s\n", escaped.c_str());
    }
  }

  std::string fileName;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t fileWidth = 0;
  std::int32_t fileHeight = 0;
  std::int32_t bitsPerPixel = 0;
  std::int32_t bytesPerPixel = 0;  // sampleBytes(sampleFormat) times the channels
  SampleFormat sampleFormat = SampleFormat::kUInt8;
  std::vector<std::uint8_t> palette;  // 256 x red, green, blue for an 8-bit image; else empty
  std::vector<std::uint8_t> pixels;

 protected:
  explicit Texture(std::string name, NoteSink notes = {})
      : fileName(std::move(name)), notes_(std::move(notes)) {}

 private:
  NoteSink notes_;
};

}  // namespace quorvel
