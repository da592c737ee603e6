#include <array>
#include <cstdint>
#include <cstring>
#include <memory>
#include <string>

#include "failure.h"
#include "library/error.h"
#include "map/map_format.h"
#include "map/map_reader.h"
#include "quorvel/map_cells.h"

namespace quorvel {
namespace {

static_assert(MapCellPlace::kBlocFilePixels == kBlocFilePixels);
static_assert(MapCellPlace::kVertices == kVerticesPerCell);
static_assert(MapCellPlace::kTriangles == kTrianglesPerCell);
static_assert(MapCell::kHeightsAt == kHeightsOffset && MapCell::kNormalsAt == kNormalsOffset);
static_assert(MapCell::kBytes == kCellBytes && MapCell::kBlocFileBytes == kBlocFileBytes);

MapCellPlace placeOf(const CellPlace& place, std::int64_t index) {
  MapCellPlace out;
  out.index = index;
  out.offset = place.offset;
  out.blocX = place.bx;
  out.blocY = place.by;
  out.subX = place.sx;
  out.subY = place.sy;
  out.cellX = place.cx;
  out.cellY = place.cy;
  out.originX = place.originX();
  out.originY = place.originY();
  return out;
}

void fill(MapCell& cell, const CellPlace& place, std::int64_t index, const CellBytes& bytes) {
  static_cast<MapCellPlace&>(cell) = placeOf(place, index);
  std::memcpy(cell.bytes.data(), bytes.data(), bytes.size());
  const CellRecord record = decodeCell(bytes);
  cell.colours = record.colors;
  cell.heights = record.heights;
  cell.normals = record.faceNormals;
}

}  // namespace

std::array<std::int32_t, 2> MapCellPlace::vertexPixel(int k) const {
  return {originX + 1 + kCellVertices[k].dx, originY + 1 + kCellVertices[k].dy};
}

MapCellPlace mapCellPlace(std::int32_t largeur, std::int64_t index) {
  return placeOf(cellPlaceAt(largeur, index), index);
}

struct MapCells::State {
  explicit State(const std::string& path) : reader(path) {}

  MapReader reader;
  std::int64_t next = 0;
  CellBytes bytes{};
};

MapCells::MapCells(const std::string& path) {
  try {
    state_ = std::make_unique<State>(path);
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

MapCells::~MapCells() = default;
MapCells::MapCells(MapCells&&) noexcept = default;
MapCells& MapCells::operator=(MapCells&&) noexcept = default;

const std::string& MapCells::path() const { return state_->reader.fileName(); }
std::int32_t MapCells::largeur() const { return state_->reader.largeur(); }
std::int32_t MapCells::hauteur() const { return state_->reader.hauteur(); }
std::int64_t MapCells::bytes() const { return state_->reader.fileBytes(); }
std::int64_t MapCells::cellCount() const { return state_->reader.cellCount(); }

bool MapCells::next(MapCell& cell) {
  State& state = *state_;
  try {
    CellPlace place;
    if (!state.reader.nextCell(state.bytes, place)) return false;
    fill(cell, place, state.next++, state.bytes);
    return true;
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

void MapCells::read(std::int64_t index, MapCell& cell) {
  State& state = *state_;
  try {
    state.reader.readCell(index, state.bytes);
    state.next = index + 1;
    fill(cell, cellPlaceAt(largeur(), index), index, state.bytes);
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

bool MapCells::holds(const MapCellPlace& place, int k) const {
  const auto [x, y] = place.vertexPixel(k);
  return ownerCellOrigin(x, largeur()) == place.originX &&
         ownerCellOrigin(y, hauteur()) == place.originY;
}

std::int64_t MapCells::cellOfPixel(std::int32_t x, std::int32_t y, int& vertex) const {
  const int originX = ownerCellOrigin(x, largeur());
  const int originY = ownerCellOrigin(y, hauteur());
  vertex = 0;
  while (originX + 1 + kCellVertices[vertex].dx != x ||
         originY + 1 + kCellVertices[vertex].dy != y) {
    ++vertex;
  }
  return (cellOffset(largeur(), originX, originY) - kHeaderBytes) / kCellBytes;
}

}  // namespace quorvel
