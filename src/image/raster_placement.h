#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "image/texture.h"

namespace quorvel {

class GdalLibrary;

// How a raster's stored rows and columns lie on the map, whose row 0 is the southern (the
// bottom of the picture as a GIS draws it, north up) and column 0 the western: from the
// geotransform, rows stored south first and columns stored east first are taken in reverse.
// Without a geotransform, or with a rotated one, the grid's own order is kept: the last
// stored row is map row 0, as in a bottom-up BMP.
struct StoredOrder {
  bool rowsSouthFirst = false;
  bool columnsEastFirst = false;
  bool rotated = false;  // kept in grid order for it
};

[[nodiscard]] StoredOrder storedOrder(const std::optional<Georeference>& georeference);

// The note saying that a rotated raster is read in grid order, without its line feed.
[[nodiscard]] std::string rotatedNote(const std::string& fileName);

// A colour image's red, green and blue over an altitude image's grid, read window by window.
// - When the colour image and the grid are both georeferenced, the colour is placed by its
//   georeferencing: its pixels are read as they are when it shares the grid's reference system
//   (or neither has one) and pixel size, with origins a whole number of pixels apart; otherwise
//   it is warped onto the grid (its size, geotransform and reference system) by GDAL's warper,
//   bilinear, once for the whole grid (one with a reference system and one without are warped
//   by their geotransforms alone). A colour image that does not cover the grid is refused:
//   the grid's outline, taken into the colour's reference system, must lie inside the colour's
//   extent within 1e-6 of a colour pixel.
// - Otherwise its pixels are taken as they are, from the bottom-left corner of the picture as
//   it is drawn north up (the map writer refuses one smaller than the grid).
// Either way palette, grey and fewer-than-8-bit bands become red, green and blue bytes before
// anything else (a band of n bits is stretched: v x 255 / (2^n - 1)); alpha and nodata are
// ignored. Windows are cut from what the whole would be: a window reads the same bytes as the
// same part of the whole grid, whatever the windows before it. One thread at a time.
class ColourPlacement {
 public:
  // Opens fileName, or throws the open message or a refusal naming it; what it finds or
  // assumes goes to notes.
  ColourPlacement(const std::string& fileName, const ImageGrid& grid, GdalLibrary& gdal,
                  const NoteSink& notes = {});
  ~ColourPlacement();
  ColourPlacement(const ColourPlacement&) = delete;
  ColourPlacement& operator=(const ColourPlacement&) = delete;

  // The colour image's own size, and where it lies when its file says.
  [[nodiscard]] std::int32_t fileWidth() const;
  [[nodiscard]] std::int32_t fileHeight() const;
  [[nodiscard]] const std::optional<Georeference>& georeference() const;
  // Placed by georeferencing (read as it is or warped), so that it covers the whole grid.
  [[nodiscard]] bool placed() const;
  [[nodiscard]] bool warped() const;

  // Map columns x to x + width - 1 of map rows y to y + height - 1 (row 0 the southern,
  // column 0 the western), pixel (i, j) of the window at out + j * lineBytes + 3 * i. The
  // window lies inside the grid when placed, inside the image otherwise. Throws the open
  // message, with GDAL's reason, when the file cannot be read.
  void read(int x, int y, int width, int height, std::uint8_t* out, std::ptrdiff_t lineBytes) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvel
