#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <mutex>
#include <optional>
#include <set>
#include <string>
#include <vector>

#include "quorvel/world.h"
#include "world/world_files.h"

namespace quorvel {

// What a run learnt of a tile without the manifest's promise of sameness: its file's identity
// when its SHA-256 was taken, and the key of its inputs' identities when its fingerprint was.
// A later run that finds both unchanged trusts them rather than reading the file or the inputs
// again.
struct TileCache {
  std::string file;
  FileIdentity identity;
  std::string sha256;
  std::string inputsKey;  // empty when the inputs' identities could not vouch for them
  std::string fingerprint;
};

// Whether the check found the tile's file current, and whether it had to hash the file.
struct CurrentTile {
  std::optional<WorldTile> record;     // when current
  std::optional<FileIdentity> identity;  // the file's before it was checked
  bool hashed = false;
};

// What a world's output directory says of its tiles: the records that earlier runs left (the
// manifest, shard records and journals of the base), and this run's journal, a line a tile
// appended as soon as the tile is written, so that a run stopped before its manifest leaves
// its finished tiles counted. Beside them a cache (<base>.world.cache, or a shard's) keeps the
// identities of files and inputs; losing it costs one reading of everything, nothing else.
// Threads may append at once.
class WorldJournal {
 public:
  // Reads the earlier records and caches of base in outdir; the run's journal is its shard's.
  WorldJournal(std::filesystem::path outdir, std::string base, std::int32_t shardIndex,
               std::int32_t shardCount);

  // The fingerprint cached for the tile's file with these inputs, or nothing.
  [[nodiscard]] std::optional<std::string> cachedFingerprint(const std::string& file,
                                                             const std::string& inputsKey) const;
  // Whether the whole altitude's check passed for key.
  [[nodiscard]] bool altitudeChecked(const std::string& key) const;

  // The record of the tile's file if it already holds what the tile would be: one with the
  // same inputs (fingerprint) whose size and SHA-256 the file has. With trustIdentity, a file
  // whose identity is the one cached with that SHA-256 is not read.
  [[nodiscard]] CurrentTile current(const WorldTile& tile, const std::string& fingerprint,
                                    bool trustIdentity) const;

  // Whether the cache already holds entry.
  [[nodiscard]] bool cached(const TileCache& entry) const;

  // Appends the tile's line, with what the run learnt of it; a tile whose line is lost is
  // built again.
  void append(const WorldTile& tile, const TileCache* cache);

  // Writes the cache for tiles, every tile of the run (unless it says the same already), with
  // the altitude check's key if it passed, then removes the run's journal: to be called once
  // the manifest or shard record holds what the journal said.
  void finish(const std::vector<WorldTile>& tiles, const std::string& altitudeKey,
              std::int64_t newestInputCtime);

 private:
  std::filesystem::path outdir_;
  std::filesystem::path file_;   // the run's journal
  std::filesystem::path cache_;  // the run's cache
  // What earlier runs recorded of each tile, by file name; any one that matches will do.
  std::multimap<std::string, WorldTile> recorded_;
  std::multimap<std::string, TileCache> cached_;  // likewise
  std::set<std::string> altitudeChecks_;
  std::mutex mutex_;
};

}  // namespace quorvel
