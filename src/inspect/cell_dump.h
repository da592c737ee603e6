#pragma once

#include <string>

#include "map/map_reader.h"

namespace quorvel {

// The record that the inspector reads pixel (x, y) from (see ownerCellOrigin): its place in
// the file, then its nine vertices (pixel, colour, height) and eight triangle normals, reals
// with nine significant digits, which is enough to tell any two floats apart. Throws when
// the map has no record or the pixel lies outside it.
[[nodiscard]] std::string dumpCell(MapReader& reader, long long x, long long y);

}  // namespace quorvel
