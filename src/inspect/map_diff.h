#pragma once

#include <cstdint>
#include <string>

#include "quorvel/map_cells.h"

namespace quorvel {

enum class CellField { kColors, kHeights, kFaceNormals };

// One value of a record: a colour channel (index = vertex, component = red, green, blue),
// a height (index = vertex) or a normal component (index = triangle 1..8, component = x, y, z).
struct ValuePlace {
  CellField field = CellField::kColors;
  int index = 0;
  int component = 0;
  std::int64_t offset = 0;  // of the value's first byte within the record
  std::int64_t size = 1;
};

// The value that byte `at` of a record belongs to.
[[nodiscard]] ValuePlace valuePlaceOfByte(std::int64_t at);

// A float of a record: a height or a normal component.
[[nodiscard]] float storedFloat(const MapCell& cell, const ValuePlace& value);

struct MapDifference {
  bool sameHeader = true;
  std::int64_t differingCells = 0;  // records whose bytes are not all equal
  ValuePlace firstValue;            // the first differing value of the first such record
  MapCell firstA;                   // that record in each map
  MapCell firstB;
};

// Compares two maps record by record, bit for bit (so 0 and -0, or two NaNs with different
// bits, differ), reading both once in order. Maps with different headers are not compared
// further.
[[nodiscard]] MapDifference diffMaps(MapCells& a, MapCells& b);

// The report of quorvel-inspect A B --diff.
[[nodiscard]] std::string formatDifference(const MapCells& a, const MapCells& b,
                                           const MapDifference& difference);

}  // namespace quorvel
