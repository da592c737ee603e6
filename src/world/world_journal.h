#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <string>

#include "quorvel/world.h"

namespace quorvel {

// What a world's output directory says of its tiles: the records that earlier runs left (the
// manifest, shard records and journals of the base), and this run's journal, a line a tile
// appended as soon as the tile is written, so that a run stopped before its manifest leaves
// its finished tiles counted. Threads may append at once.
class WorldJournal {
 public:
  // Reads the earlier records of base in outdir; the run's journal is its shard's.
  WorldJournal(std::filesystem::path outdir, std::string base, std::int32_t shardIndex,
               std::int32_t shardCount);

  // The record of the tile's file if it already holds what the tile would be: one with the
  // same inputs (fingerprint) whose size and SHA-256 the file has.
  [[nodiscard]] std::optional<WorldTile> current(const WorldTile& tile,
                                                 const std::string& fingerprint) const;

  // Appends the tile's line; a tile whose line is lost is built again.
  void append(const WorldTile& tile);

  // Removes the run's journal, once a manifest or shard record holds what it said.
  void remove();

 private:
  std::filesystem::path outdir_;
  std::filesystem::path file_;  // the run's journal
  // What earlier runs recorded of each tile, by file name; any one that matches will do.
  std::multimap<std::string, WorldTile> recorded_;
  std::mutex mutex_;
};

}  // namespace quorvel
