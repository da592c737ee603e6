#pragma once

#include <string>

#include "quorvel/map_cells.h"

namespace quorvel {

// Pixel (x, y), the record that the inspector reads it from (see MapCells::cellOfPixel) and
// the pixel's vertex there.
struct CellDump {
  long long x = 0;
  long long y = 0;
  int vertex = 0;
  MapCell cell;
};

// Throws when the map has no record or the pixel lies outside it.
[[nodiscard]] CellDump readCellOfPixel(MapCells& cells, long long x, long long y);

// The record's place in the file, then its nine vertices (pixel, colour, height) and eight
// triangle normals, reals with nine significant digits, which is enough to tell any two floats
// apart.
[[nodiscard]] std::string formatCell(const CellDump& dump);

[[nodiscard]] inline std::string dumpCell(MapCells& cells, long long x, long long y) {
  return formatCell(readCellOfPixel(cells, x, y));
}

}  // namespace quorvel
