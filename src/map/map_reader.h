#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "file_handle.h"
#include "map/map_format.h"
#include "math/vector3.h"

namespace quorvel {

// One MapCell record exactly as stored.
using CellBytes = std::array<std::uint8_t, kCellBytes>;

// Where a MapCell record sits: its blocFile, SubBlock and cell indices and its byte offset.
struct CellPlace {
  int bx = 0;
  int by = 0;
  int sx = 0;
  int sy = 0;
  int cx = 0;
  int cy = 0;
  std::int64_t offset = 0;

  // The record's origin pixel (smallest x and y); its centre is one pixel further each way.
  [[nodiscard]] int originX() const {
    return kBlocFilePixels * bx + kSubBlockPixels * sx + kCellPixels * cx;
  }
  [[nodiscard]] int originY() const {
    return kBlocFilePixels * by + kSubBlockPixels * sy + kCellPixels * cy;
  }
};

// The place of the record with this index in file order, in a map `largeur` blocFiles across.
[[nodiscard]] CellPlace cellPlaceAt(int largeur, std::int64_t index);

// Every pixel on a cell border is stored by each cell that touches it. The inspector reads a
// pixel from one of them: the cell whose origin is the pixel rounded down to even, except
// that the last row or column of the map belongs to the cell before it. `units` is the
// number of blocFiles along the axis, at least 1; 0 <= p <= 50 units.
[[nodiscard]] constexpr int ownerCellOrigin(int p, int units) {
  const int last = units * kBlocFilePixels - kCellPixels;
  const int origin = p - p % kCellPixels;
  return origin < last ? origin : last;
}

// The decoded fields of a record, in vertex and triangle order.
struct CellRecord {
  std::array<std::array<std::uint8_t, 3>, kVerticesPerCell> colors;
  std::array<float, kVerticesPerCell> heights;
  std::array<Vector3, kTrianglesPerCell> faceNormals;
};

[[nodiscard]] float cellFloat(const CellBytes& bytes, std::int64_t offset);
[[nodiscard]] CellRecord decodeCell(const CellBytes& bytes);

// A terrain file opened for reading. The constructor checks the header against the file's
// size, so every record that the header promises is there; a read that still comes up short
// (the file changed underneath) throws. Every message starts with the file name.
class MapReader {
 public:
  // Throws when the file cannot be opened, is shorter than a header, has a header outside
  // 0..100 blocFiles each way, or is not exactly as long as the header says.
  explicit MapReader(std::string fileName);

  [[nodiscard]] const std::string& fileName() const { return fileName_; }
  [[nodiscard]] int largeur() const { return largeur_; }
  [[nodiscard]] int hauteur() const { return hauteur_; }
  [[nodiscard]] std::int64_t fileBytes() const { return fileBytes_; }
  [[nodiscard]] std::int64_t cellCount() const { return cellCount_; }
  // The size of the altitude image the map was made from: 50 n + 1 each way.
  [[nodiscard]] int widthPixels() const { return kBlocFilePixels * largeur_ + 1; }
  [[nodiscard]] int heightPixels() const { return kBlocFilePixels * hauteur_ + 1; }

  // Reads the records in file order: the next one and its place, or false after the last.
  bool nextCell(CellBytes& bytes, CellPlace& place);
  // Reads the record with this index; nextCell then goes on from the one after it.
  void readCell(std::int64_t index, CellBytes& bytes);

 private:
  void readRecord(CellBytes& bytes);

  std::string fileName_;
  FileHandle file_;
  int largeur_ = 0;
  int hauteur_ = 0;
  std::int64_t fileBytes_ = 0;
  std::int64_t cellCount_ = 0;
  std::int64_t next_ = 0;
};

// Calls visit(x, y, bytes, k) once for every pixel of the terrain, with the record that
// holds it (see ownerCellOrigin) and its vertex index there, in file order. Visits nothing
// when the map has no records.
template <typename Visit>
void forEachVertex(MapReader& reader, Visit&& visit) {
  CellBytes bytes;
  CellPlace place;
  while (reader.nextCell(bytes, place)) {
    const int centreX = place.originX() + 1;
    const int centreY = place.originY() + 1;
    for (int k = 0; k < kVerticesPerCell; ++k) {
      const int x = centreX + kCellVertices[k].dx;
      const int y = centreY + kCellVertices[k].dy;
      if (ownerCellOrigin(x, reader.largeur()) == centreX - 1 &&
          ownerCellOrigin(y, reader.hauteur()) == centreY - 1) {
        visit(x, y, bytes, k);
      }
    }
  }
}

}  // namespace quorvel
