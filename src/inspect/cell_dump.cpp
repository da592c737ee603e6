#include "inspect/cell_dump.h"

#include <cinttypes>

#include "failure.h"
#include "printf_text.h"

namespace quorvel {

CellDump readCellOfPixel(MapReader& reader, long long x, long long y) {
  if (reader.cellCount() == 0) {
    throw Failure(ErrorKind::kFormat,
                  reader.fileName() + " holds no MapCell: the file has only its header\n");
  }
  const int width = reader.widthPixels();
  const int height = reader.heightPixels();
  if (x < 0 || x >= width || y < 0 || y >= height) {
    throw Failure(ErrorKind::kUsage,
                  printfText("pixel (%lld, %lld) is outside %s: x runs from 0 to %d, y from 0 "
                             "to %d\n",
                             x, y, reader.fileName().c_str(), width - 1, height - 1));
  }
  CellDump dump;
  dump.x = x;
  dump.y = y;
  dump.originX = ownerCellOrigin(static_cast<int>(x), reader.largeur());
  dump.originY = ownerCellOrigin(static_cast<int>(y), reader.hauteur());
  const std::int64_t index =
      (cellOffset(reader.largeur(), dump.originX, dump.originY) - kHeaderBytes) / kCellBytes;
  dump.place = cellPlaceAt(reader.largeur(), index);
  CellBytes bytes;
  reader.readCell(index, bytes);
  dump.cell = decodeCell(bytes);
  while (dump.originX + 1 + kCellVertices[dump.vertex].dx != x ||
         dump.originY + 1 + kCellVertices[dump.vertex].dy != y) {
    ++dump.vertex;
  }
  return dump;
}

std::string formatCell(const CellDump& dump) {
  const CellPlace& place = dump.place;
  const CellRecord& cell = dump.cell;
  std::string text = printfText(
      "pixel (%lld, %lld) is vertex %d of the MapCell with origin (%d, %d)\n"
      "byte %" PRId64 ", blocFile (%d, %d), SubBlock (%d, %d), cell (%d, %d)\n",
      dump.x, dump.y, dump.vertex, dump.originX, dump.originY, place.offset, place.bx, place.by,
      place.sx, place.sy, place.cx, place.cy);
  for (int k = 0; k < kVerticesPerCell; ++k) {
    text += printfText("vertex %d (%d, %d): colour %d %d %d, height %.9g\n", k,
                       dump.originX + 1 + kCellVertices[k].dx,
                       dump.originY + 1 + kCellVertices[k].dy, cell.colors[k][0],
                       cell.colors[k][1], cell.colors[k][2], double{cell.heights[k]});
  }
  for (int t = 0; t < kTrianglesPerCell; ++t) {
    const Vector3& n = cell.faceNormals[t];
    text +=
        printfText("triangle %d (0, %d, %d): normal %.9g %.9g %.9g\n", t + 1, t + 1,
                   t + 2 == kVerticesPerCell ? 1 : t + 2, double{n.x}, double{n.y}, double{n.z});
  }
  return text;
}

}  // namespace quorvel
