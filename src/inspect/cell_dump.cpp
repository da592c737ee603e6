#include "inspect/cell_dump.h"

#include <cinttypes>

#include "failure.h"
#include "printf_text.h"

namespace quorvel {

CellDump readCellOfPixel(MapCells& cells, long long x, long long y) {
  if (cells.cellCount() == 0) {
    throw Failure(ErrorKind::kFormat,
                  cells.path() + " holds no MapCell: the file has only its header\n");
  }
  const int width = MapCell::kBlocFilePixels * cells.largeur() + 1;
  const int height = MapCell::kBlocFilePixels * cells.hauteur() + 1;
  if (x < 0 || x >= width || y < 0 || y >= height) {
    throw Failure(ErrorKind::kUsage,
                  printfText("pixel (%lld, %lld) is outside %s: x runs from 0 to %d, y from 0 "
                             "to %d\n",
                             x, y, cells.path().c_str(), width - 1, height - 1));
  }
  CellDump dump;
  dump.x = x;
  dump.y = y;
  cells.read(cells.cellOfPixel(static_cast<std::int32_t>(x), static_cast<std::int32_t>(y),
                               dump.vertex),
             dump.cell);
  return dump;
}

std::string formatCell(const CellDump& dump) {
  const MapCell& cell = dump.cell;
  std::string text = printfText(
      "pixel (%lld, %lld) is vertex %d of the MapCell with origin (%d, %d)\n"
      "byte %" PRId64 ", blocFile (%d, %d), SubBlock (%d, %d), cell (%d, %d)\n",
      dump.x, dump.y, dump.vertex, cell.originX, cell.originY, cell.offset, cell.blocX,
      cell.blocY, cell.subX, cell.subY, cell.cellX, cell.cellY);
  for (int k = 0; k < MapCell::kVertices; ++k) {
    const auto [x, y] = cell.vertexPixel(k);
    text += printfText("vertex %d (%d, %d): colour %d %d %d, height %.9g\n", k, x, y,
                       cell.colours[k][0], cell.colours[k][1], cell.colours[k][2],
                       double{cell.heights[k]});
  }
  for (int t = 0; t < MapCell::kTriangles; ++t) {
    const Vector3& n = cell.normals[t];
    text += printfText("triangle %d (0, %d, %d): normal %.9g %.9g %.9g\n", t + 1, t + 1,
                       t + 2 == MapCell::kVertices ? 1 : t + 2, double{n.x}, double{n.y},
                       double{n.z});
  }
  return text;
}

}  // namespace quorvel
