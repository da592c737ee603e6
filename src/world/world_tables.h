#pragma once

#include <map>
#include <memory>
#include <mutex>
#include <utility>

#include "image/texture.h"
#include "map/triangle_table.h"

namespace quorvel {

// The triangle tables a world's tiles share, one per altitude step and reach, each made by the
// first tile that needs it. Threads may ask at once.
class WorldTables {
 public:
  // Worlds that quorvel would compile with a table (share) get them; a table is filled on
  // threads threads, for heights times zScaleFactor.
  WorldTables(bool share, float zScaleFactor, int threads)
      : share_(share), zScaleFactor_(zScaleFactor), threads_(threads) {}

  // The table for a tile's altitude window, or none when the tile is better without one.
  [[nodiscard]] const TriangleTable* tableFor(const Texture& alt);

 private:
  bool share_;
  float zScaleFactor_;
  int threads_;
  std::mutex mutex_;
  std::map<std::pair<int, int>, std::unique_ptr<TriangleTable>> tables_;  // by step and rise
};

}  // namespace quorvel
