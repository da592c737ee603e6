#include "inspect/map_diff.h"

#include <bit>
#include <cinttypes>

#include "failure.h"
#include "printf_text.h"

namespace quorvel {
namespace {

constexpr const char* kChannelNames[3] = {"red", "green", "blue"};
constexpr const char* kAxisNames[3] = {"x", "y", "z"};

std::string describeValue(const MapCell& cell, const ValuePlace& value) {
  if (value.field == CellField::kColors) return printfText("%d", cell.bytes[value.offset]);
  const float real = storedFloat(cell, value);
  return printfText("%.9g (0x%08" PRIX32 ")", double{real}, std::bit_cast<std::uint32_t>(real));
}

}  // namespace

ValuePlace valuePlaceOfByte(std::int64_t at) {
  ValuePlace value;
  if (at < MapCell::kHeightsAt) {
    value.field = CellField::kColors;
    value.index = static_cast<int>(at / 3);
    value.component = static_cast<int>(at % 3);
    value.offset = at;
    value.size = 1;
  } else if (at < MapCell::kNormalsAt) {
    value.field = CellField::kHeights;
    value.index = static_cast<int>((at - MapCell::kHeightsAt) / 4);
    value.offset = MapCell::kHeightsAt + 4 * value.index;
    value.size = 4;
  } else {
    const std::int64_t inNormals = at - MapCell::kNormalsAt;
    value.field = CellField::kFaceNormals;
    value.index = static_cast<int>(inNormals / 12) + 1;
    value.component = static_cast<int>(inNormals % 12 / 4);
    value.offset = MapCell::kNormalsAt + inNormals / 4 * 4;
    value.size = 4;
  }
  return value;
}

float storedFloat(const MapCell& cell, const ValuePlace& value) {
  if (value.field == CellField::kHeights) return cell.heights[value.index];
  const Vector3& normal = cell.normals[value.index - 1];
  return value.component == 0 ? normal.x : value.component == 1 ? normal.y : normal.z;
}

MapDifference diffMaps(MapCells& a, MapCells& b) {
  MapDifference difference;
  if (a.largeur() != b.largeur() || a.hauteur() != b.hauteur()) {
    difference.sameHeader = false;
    return difference;
  }
  MapCell cellA;
  MapCell cellB;
  while (a.next(cellA) && b.next(cellB)) {
    if (cellA.bytes == cellB.bytes) continue;
    if (difference.differingCells++ > 0) continue;
    std::int64_t at = 0;
    while (cellA.bytes[at] == cellB.bytes[at]) ++at;
    difference.firstValue = valuePlaceOfByte(at);
    difference.firstA = cellA;
    difference.firstB = cellB;
  }
  return difference;
}

std::string formatDifference(const MapCells& a, const MapCells& b,
                             const MapDifference& difference) {
  const std::string escapedA = escapeControls(a.path());
  const std::string escapedB = escapeControls(b.path());
  const char* nameA = escapedA.c_str();
  const char* nameB = escapedB.c_str();
  if (!difference.sameHeader) {
    return printfText("%s and %s differ: %d x %d blocFiles against %d x %d\n", nameA, nameB,
                      a.largeur(), a.hauteur(), b.largeur(), b.hauteur());
  }
  if (difference.differingCells == 0) {
    return printfText("%s and %s are identical: %d x %d blocFiles, %" PRId64 " MapCells\n", nameA,
                      nameB, a.largeur(), a.hauteur(), a.cellCount());
  }
  const MapCell& place = difference.firstA;
  const ValuePlace& value = difference.firstValue;
  std::string what;
  if (value.field == CellField::kFaceNormals) {
    what = printfText("faceNormals triangle %d %s", value.index, kAxisNames[value.component]);
  } else {
    const auto [x, y] = place.vertexPixel(value.index);
    what = value.field == CellField::kColors
               ? printfText("colors vertex %d (%d, %d) %s", value.index, x, y,
                            kChannelNames[value.component])
               : printfText("heights vertex %d (%d, %d)", value.index, x, y);
  }
  return printfText("%s and %s differ in %" PRId64 " of %" PRId64 " MapCells\n", nameA, nameB,
                    difference.differingCells, a.cellCount()) +
         printfText("first at byte %" PRId64
                    ": blocFile (%d, %d), SubBlock (%d, %d), cell (%d, %d), %s: %s against %s\n",
                    place.offset + value.offset, place.blocX, place.blocY, place.subX,
                    place.subY, place.cellX, place.cellY, what.c_str(),
                    describeValue(difference.firstA, value).c_str(),
                    describeValue(difference.firstB, value).c_str());
}

}  // namespace quorvel
