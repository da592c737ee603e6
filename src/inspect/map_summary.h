#pragma once

#include <array>
#include <cstdint>
#include <string>

#include "quorvel/map_cells.h"

namespace quorvel {

struct ChannelRange {
  int min = 0;
  int max = 0;
  double mean = 0.0;
};

// What the whole map holds, each terrain pixel counted once (see MapCells::holds).
struct MapSummary {
  int largeur = 0;
  int hauteur = 0;
  int widthPixels = 0;
  int heightPixels = 0;
  std::int64_t fileBytes = 0;
  std::int64_t vertexCount = 0;  // 0 when the map holds no record
  std::int64_t nanHeights = 0;
  float minHeight = 0.0f;  // over the heights that are not NaN
  float maxHeight = 0.0f;
  std::array<ChannelRange, 3> channels;  // red, green, blue
};

// Reads the whole map once, in order.
[[nodiscard]] MapSummary summarizeMap(MapCells& cells);

// The lines quorvel-inspect prints for a map.
[[nodiscard]] std::string formatSummary(const std::string& fileName, const MapSummary& summary);

}  // namespace quorvel
