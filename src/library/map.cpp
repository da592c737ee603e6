#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>
#include <utility>
#include <vector>

#include "failure.h"
#include "library/error.h"
#include "map/map_format.h"
#include "map/map_reader.h"
#include "quorvel/quorvel.h"

namespace quorvel {

struct Map::State {
  explicit State(const std::string& path) : reader(path) {}

  MapReader reader;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::vector<float> heights;
  std::vector<std::uint8_t> colours;
};

Map::Map(const std::string& path) {
  try {
    state_ = std::make_unique<State>(path);
    State& state = *state_;
    if (state.reader.cellCount() > 0) {
      state.width = state.reader.widthPixels();
      state.height = state.reader.heightPixels();
    }
    const auto pixels =
        static_cast<std::size_t>(state.width) * static_cast<std::size_t>(state.height);
    state.heights.resize(pixels);
    state.colours.resize(3 * pixels);
    forEachVertex(state.reader, [&](int x, int y, const CellBytes& bytes, int k) {
      const std::size_t at = static_cast<std::size_t>(y) * static_cast<std::size_t>(state.width) +
                             static_cast<std::size_t>(x);
      state.heights[at] = cellFloat(bytes, kHeightsOffset + 4 * k);
      for (int c = 0; c < 3; ++c) state.colours[3 * at + c] = bytes[kColorsOffset + 3 * k + c];
    });
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

Map::~Map() = default;
Map::Map(Map&&) noexcept = default;
Map& Map::operator=(Map&&) noexcept = default;

const std::string& Map::path() const { return state_->reader.fileName(); }
std::int32_t Map::largeur() const { return state_->reader.largeur(); }
std::int32_t Map::hauteur() const { return state_->reader.hauteur(); }
std::int32_t Map::width() const { return state_->width; }
std::int32_t Map::height() const { return state_->height; }
std::int64_t Map::bytes() const { return state_->reader.fileBytes(); }
const std::vector<float>& Map::heights() const { return state_->heights; }
const std::vector<std::uint8_t>& Map::colours() const { return state_->colours; }

float Map::vertexHeight(std::int32_t x, std::int32_t y) const {
  return state_->heights.at(static_cast<std::size_t>(y) * static_cast<std::size_t>(width()) +
                            static_cast<std::size_t>(x));
}

std::array<std::uint8_t, 3> Map::vertexColour(std::int32_t x, std::int32_t y) const {
  const std::size_t at = 3 * (static_cast<std::size_t>(y) * static_cast<std::size_t>(width()) +
                              static_cast<std::size_t>(x));
  return {state_->colours.at(at), state_->colours.at(at + 1), state_->colours.at(at + 2)};
}

std::array<Vector3, 8> Map::cellNormals(std::int32_t cx, std::int32_t cy) const {
  const std::int32_t cellsAcross = largeur() * kBlocFilePixels / kCellPixels;
  const std::int32_t cellsDown = hauteur() * kBlocFilePixels / kCellPixels;
  if (cx < 0 || cy < 0 || cx >= cellsAcross || cy >= cellsDown) {
    throw Error("no cell " + std::to_string(cx) + ", " + std::to_string(cy) + " in " +
                    state_->reader.fileName(),
                "", ErrorKind::kUsage);
  }
  try {
    const std::int64_t offset =
        cellOffset(largeur(), kCellPixels * std::int64_t{cx}, kCellPixels * std::int64_t{cy});
    CellBytes bytes;
    state_->reader.readCell((offset - kHeaderBytes) / kCellBytes, bytes);
    return decodeCell(bytes).faceNormals;
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

}  // namespace quorvel
