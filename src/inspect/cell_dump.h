#pragma once

#include <string>

#include "map/map_reader.h"

namespace quorvel {

// Pixel (x, y), the record that the inspector reads it from (see ownerCellOrigin) and the
// pixel's vertex there.
struct CellDump {
  long long x = 0;
  long long y = 0;
  int vertex = 0;
  int originX = 0;
  int originY = 0;
  CellPlace place;
  CellRecord cell;
};

// Throws when the map has no record or the pixel lies outside it.
[[nodiscard]] CellDump readCellOfPixel(MapReader& reader, long long x, long long y);

// The record's place in the file, then its nine vertices (pixel, colour, height) and eight
// triangle normals, reals with nine significant digits, which is enough to tell any two floats
// apart.
[[nodiscard]] std::string formatCell(const CellDump& dump);

[[nodiscard]] inline std::string dumpCell(MapReader& reader, long long x, long long y) {
  return formatCell(readCellOfPixel(reader, x, y));
}

}  // namespace quorvel
