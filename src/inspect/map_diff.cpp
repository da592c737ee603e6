#include "inspect/map_diff.h"

#include <bit>
#include <cinttypes>

#include "failure.h"
#include "printf_text.h"

namespace quorvel {
namespace {

constexpr const char* kChannelNames[3] = {"red", "green", "blue"};
constexpr const char* kAxisNames[3] = {"x", "y", "z"};

std::string describeValue(const CellBytes& bytes, const ValuePlace& value) {
  if (value.field == CellField::kColors) return printfText("%d", bytes[value.offset]);
  const float real = cellFloat(bytes, value.offset);
  return printfText("%.9g (0x%08" PRIX32 ")", double{real}, std::bit_cast<std::uint32_t>(real));
}

}  // namespace

ValuePlace valuePlaceOfByte(std::int64_t at) {
  ValuePlace value;
  if (at < kHeightsOffset) {
    value.field = CellField::kColors;
    value.index = static_cast<int>((at - kColorsOffset) / 3);
    value.component = static_cast<int>((at - kColorsOffset) % 3);
    value.offset = at;
    value.size = 1;
  } else if (at < kNormalsOffset) {
    value.field = CellField::kHeights;
    value.index = static_cast<int>((at - kHeightsOffset) / 4);
    value.offset = kHeightsOffset + 4 * value.index;
    value.size = 4;
  } else {
    const std::int64_t inNormals = at - kNormalsOffset;
    value.field = CellField::kFaceNormals;
    value.index = static_cast<int>(inNormals / 12) + 1;
    value.component = static_cast<int>(inNormals % 12 / 4);
    value.offset = kNormalsOffset + inNormals / 4 * 4;
    value.size = 4;
  }
  return value;
}

MapDifference diffMaps(MapReader& a, MapReader& b) {
  MapDifference difference;
  if (a.largeur() != b.largeur() || a.hauteur() != b.hauteur()) {
    difference.sameHeader = false;
    return difference;
  }
  CellBytes bytesA;
  CellBytes bytesB;
  CellPlace place;
  CellPlace placeB;
  while (a.nextCell(bytesA, place) && b.nextCell(bytesB, placeB)) {
    if (bytesA == bytesB) continue;
    if (difference.differingCells++ > 0) continue;
    std::int64_t at = 0;
    while (bytesA[at] == bytesB[at]) ++at;
    difference.firstPlace = place;
    difference.firstValue = valuePlaceOfByte(at);
    difference.firstA = bytesA;
    difference.firstB = bytesB;
  }
  return difference;
}

std::string formatDifference(const MapReader& a, const MapReader& b,
                             const MapDifference& difference) {
  const std::string escapedA = escapeControls(a.fileName());
  const std::string escapedB = escapeControls(b.fileName());
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
  const CellPlace& place = difference.firstPlace;
  const ValuePlace& value = difference.firstValue;
  std::string what;
  if (value.field == CellField::kFaceNormals) {
    what = printfText("faceNormals triangle %d %s", value.index, kAxisNames[value.component]);
  } else {
    const int x = place.originX() + 1 + kCellVertices[value.index].dx;
    const int y = place.originY() + 1 + kCellVertices[value.index].dy;
    what = value.field == CellField::kColors
               ? printfText("colors vertex %d (%d, %d) %s", value.index, x, y,
                            kChannelNames[value.component])
               : printfText("heights vertex %d (%d, %d)", value.index, x, y);
  }
  return printfText("%s and %s differ in %" PRId64 " of %" PRId64 " MapCells\n", nameA, nameB,
                    difference.differingCells, a.cellCount()) +
         printfText("first at byte %" PRId64
                    ": blocFile (%d, %d), SubBlock (%d, %d), cell (%d, %d), %s: %s against %s\n",
                    place.offset + value.offset, place.bx, place.by, place.sx, place.sy, place.cx,
                    place.cy, what.c_str(), describeValue(difference.firstA, value).c_str(),
                    describeValue(difference.firstB, value).c_str());
}

}  // namespace quorvel
