#pragma once

// A terrain file's MapCell records as stored, in file order: for tools that look at the file
// itself (quorvel-inspect's summary, --cell, --diff and its exports). quorvel::Map gives the
// same terrain by pixel.

#include <array>
#include <cstdint>
#include <memory>
#include <string>

#include "quorvel/types.h"

namespace quorvel {

// Where a MapCell record sits. A map is largeur x hauteur blocFiles of 50 pixels, each 5 x 5
// SubBlocks of 10, each 5 x 5 cells of 2, all stored row by row from the south-west; a cell's
// nine vertices are its centre, then its ring counter-clockwise from +x, and its eight
// triangles each join the centre to two neighbours of the ring.
struct MapCellPlace {
  static constexpr int kBlocFilePixels = 50;
  static constexpr int kVertices = 9;
  static constexpr int kTriangles = 8;

  std::int64_t index = 0;   // in file order
  std::int64_t offset = 0;  // of the record's first byte in the file
  std::int32_t blocX = 0;   // the blocFile, SubBlock and cell, each from the south-west
  std::int32_t blocY = 0;
  std::int32_t subX = 0;
  std::int32_t subY = 0;
  std::int32_t cellX = 0;
  std::int32_t cellY = 0;
  std::int32_t originX = 0;  // the cell's smallest pixel; its centre is one further each way
  std::int32_t originY = 0;

  // The pixel of vertex k, 0 <= k < 9.
  [[nodiscard]] std::array<std::int32_t, 2> vertexPixel(int k) const;
};

// The place of the record with this index in a map largeur blocFiles across.
[[nodiscard]] MapCellPlace mapCellPlace(std::int32_t largeur, std::int64_t index);

// One record: its place, its bytes as stored, and what they hold.
struct MapCell : MapCellPlace {
  // A record is 27 colour bytes (red, green, blue a vertex), 9 heights and 8 normals of
  // three components, each a little-endian float32.
  static constexpr std::int64_t kHeightsAt = 27;
  static constexpr std::int64_t kNormalsAt = 63;
  static constexpr std::int64_t kBytes = 159;
  static constexpr std::int64_t kBlocFileBytes = kBytes * 25 * 25;  // after the 8-byte header

  std::array<std::uint8_t, kBytes> bytes{};
  std::array<std::array<std::uint8_t, 3>, kVertices> colours{};
  std::array<float, kVertices> heights{};
  std::array<Vector3, kTriangles> normals{};
};

// A terrain file opened for reading its records. The header is checked against the file's
// size at construction, so every record it promises is there; every message starts with the
// file name.
class MapCells {
 public:
  // Throws Error when the file cannot be opened or is not exactly a terrain file.
  explicit MapCells(const std::string& path);
  ~MapCells();
  MapCells(MapCells&&) noexcept;
  MapCells& operator=(MapCells&&) noexcept;

  [[nodiscard]] const std::string& path() const;  // as given
  [[nodiscard]] std::int32_t largeur() const;
  [[nodiscard]] std::int32_t hauteur() const;
  [[nodiscard]] std::int64_t bytes() const;
  [[nodiscard]] std::int64_t cellCount() const;

  // The next record in file order into cell, or false after the last. Throws Error when the
  // file comes up short (it changed underneath).
  bool next(MapCell& cell);
  // The record with this index, 0 <= index < cellCount(); next() then goes on after it.
  void read(std::int64_t index, MapCell& cell);

  // A pixel on a cell border is stored by each cell that touches it; the one it is read from
  // is the cell whose origin is the pixel rounded down to even, but for the last row or
  // column of the map, which belongs to the cell before it. Each pixel has one such record.
  [[nodiscard]] bool holds(const MapCellPlace& place, int k) const;
  // The index of the record that pixel (x, y) is read from and the pixel's vertex there;
  // 0 <= x <= 50 largeur(), 0 <= y <= 50 hauteur().
  [[nodiscard]] std::int64_t cellOfPixel(std::int32_t x, std::int32_t y, int& vertex) const;

 private:
  struct State;
  std::unique_ptr<State> state_;
};

}  // namespace quorvel
