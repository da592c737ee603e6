#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <string>

#include "quorvel/quorvel.h"

namespace quorvel {

// What a world holds: its manifest, and over every tile the bytes and the heights of the
// world's pixels, each counted once (a pixel that two tiles share in the tile west or south
// of the border).
struct WorldSummary {
  WorldManifest manifest;
  std::int64_t bytes = 0;     // of every tile
  std::int64_t vertices = 0;  // the world's pixels
  std::int64_t nanHeights = 0;
  float minHeight = 0.0f;  // over the heights that are not NaN
  float maxHeight = 0.0f;
};

// Reads the manifest and every tile it lists (relative to its directory), one at a time.
// Throws Error when a file cannot be read, or a tile is not the map recorded.
[[nodiscard]] WorldSummary summarizeWorld(const std::string& manifestName);

// The lines quorvel-inspect prints for a world, and its --json object.
[[nodiscard]] std::string formatWorldSummary(const std::string& manifestName,
                                             const WorldSummary& summary);
[[nodiscard]] nlohmann::json worldSummaryJson(const std::string& manifestName,
                                              const WorldSummary& summary);

}  // namespace quorvel
