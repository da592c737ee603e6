#pragma once

#include <cstdint>
#include <nlohmann/json.hpp>
#include <optional>
#include <string>
#include <vector>

#include "image/texture.h"
#include "quorvel/types.h"
#include "quorvel/world.h"

namespace quorvel {

// What a world's manifest says of the world as a whole.
struct WorldHeader {
  Settings settings;  // as given: the light direction not normalised
  std::int32_t tileSize = 0;
  std::int32_t columns = 0;
  std::int32_t rows = 0;
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::optional<Georeference> georeference;  // the altitude's, as GDAL reports it
};

[[nodiscard]] bool sameHeader(const WorldHeader& a, const WorldHeader& b);

// A manifest, or a shard's record (shardCount above 1): the header and tiles by index.
struct WorldRecord {
  WorldHeader header;
  std::int32_t shardIndex = 0;
  std::int32_t shardCount = 1;
  std::vector<WorldTile> tiles;
};

// The files of a world in its output directory, by the base name of its tiles.
[[nodiscard]] std::string manifestName(const std::string& base);
[[nodiscard]] std::string shardRecordName(const std::string& base, std::int32_t shardIndex,
                                          std::int32_t shardCount);
// Where a run notes each tile as soon as it is written, so that a run that is stopped
// before its manifest still counts them: "<base>.world.journal", or a shard's own.
[[nodiscard]] std::string journalName(const std::string& base, std::int32_t shardIndex,
                                      std::int32_t shardCount);

// The record's JSON text: always the same bytes for the same record, no time or path in it.
[[nodiscard]] std::string recordText(const WorldRecord& record);

// The record a text holds, or nothing when it is not one this version writes.
[[nodiscard]] std::optional<WorldRecord> parseRecord(const std::string& text);

// One line of a journal, with its line feed; and back, nothing for a line cut short.
[[nodiscard]] std::string journalLine(const WorldTile& tile);
[[nodiscard]] std::optional<WorldTile> parseJournalLine(const std::string& line);

// A tile's entry in the manifest, a shard's record and the journal.
[[nodiscard]] nlohmann::ordered_json manifestTileJson(const WorldTile& tile);

}  // namespace quorvel
