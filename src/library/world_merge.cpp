#include <filesystem>
#include <fstream>
#include <iterator>
#include <map>
#include <set>

#include "failure.h"
#include "library/error.h"
#include "quorvel/world.h"
#include "world/manifest.h"
#include "world/world_files.h"

namespace quorvel {
namespace {

std::string readText(const std::filesystem::path& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string(std::istreambuf_iterator<char>(in), {});
}

// The shard count of the records in directory, from their names; one count only.
std::int32_t shardCountOf(const std::filesystem::path& directory, const std::string& base,
                          const std::string& outdirBase) {
  std::set<std::int32_t> counts;
  std::error_code error;
  for (const std::filesystem::directory_entry& entry :
       std::filesystem::directory_iterator(directory, error)) {
    if (const auto shard = shardOfRecordName(base, entry.path().filename().string())) {
      counts.insert(shard->second);
    }
  }
  if (counts.empty()) {
    throw Failure(ErrorKind::kOpen,
                  "erreur: aucune part trouv\xe9"
                  "e pour " +
                      outdirBase + "\n",
                  outdirBase +
                      ".shard-K-of-N.json: none found; build the shards first with"
                      " quorvel-world --shard K/N\n");
  }
  if (counts.size() > 1) {
    std::string found;
    for (const std::int32_t count : counts)
      found += (found.empty() ? "" : ", ") + std::to_string(count);
    throw Failure(
        ErrorKind::kFormat,
        "erreur: les parts de " + outdirBase +
            " sont de plusieurs d\xe9"
            "coupages\n",
        outdirBase + ": shard records of " + found + " shards; remove those of the other runs\n");
  }
  return *counts.begin();
}

// Refuses a tile whose file is not the one recorded.
void checkTileFile(const std::filesystem::path& directory, const WorldTile& tile) {
  const std::string name = (directory / tile.file).string();
  const auto hashed = std::filesystem::is_regular_file(name) ? hashFile(name) : std::nullopt;
  if (hashed && hashed->first == tile.bytes && hashed->second == tile.sha256) return;
  throw Failure(
      ErrorKind::kFormat,
      "erreur: " + name +
          " n'est pas la tuile enregistr\xe9"
          "e\n",
      name +
          (hashed ? ": its bytes are not those its shard recorded" : ": the file cannot be read") +
          "; build its shard again\n");
}

}  // namespace

WorldResult mergeWorld(const std::string& outdirBase) {
  try {
    const std::filesystem::path given(outdirBase);
    const std::filesystem::path directory =
        given.has_parent_path() ? given.parent_path() : std::filesystem::path(".");
    const std::string base = given.filename().string();
    const std::int32_t count = shardCountOf(directory, base, outdirBase);
    std::map<std::int32_t, WorldTile> tiles;  // by index
    std::optional<WorldHeader> header;
    for (std::int32_t index = 0; index < count; ++index) {
      const std::filesystem::path path = directory / shardRecordName(base, index, count);
      if (!std::filesystem::exists(path)) {
        throw Failure(ErrorKind::kOpen, "erreur: il manque " + path.string() + "\n",
                      path.string() + ": build shard " + std::to_string(index) +
                          " with quorvel-world"
                          " --shard " +
                          std::to_string(index) + "/" + std::to_string(count) + "\n");
      }
      const std::optional<WorldRecord> record = parseRecord(readText(path));
      if (!record || record->shardIndex != index || record->shardCount != count ||
          (header && !sameHeader(*header, record->header))) {
        throw Failure(ErrorKind::kFormat,
                      "erreur: " + path.string() + " n'est pas une part de ce monde\n",
                      path.string() + ": " +
                          (record ? "its world, settings or tile size differ from shard 0's"
                                  : "not a shard record of this version") +
                          "; build the shards again with the same inputs\n");
      }
      header = record->header;
      for (const WorldTile& tile : record->tiles) {
        tiles[tile.row * header->columns + tile.column] = tile;
      }
    }
    const std::int32_t expected = header->columns * header->rows;
    bool complete = static_cast<std::int32_t>(tiles.size()) == expected;
    for (const auto& [index, tile] : tiles) complete = complete && index >= 0 && index < expected;
    if (!complete) {
      throw Failure(ErrorKind::kFormat,
                    "erreur: les parts de " + outdirBase + " ne couvrent pas le monde\n",
                    outdirBase + ": the shards record " + std::to_string(tiles.size()) + " of " +
                        std::to_string(expected) + " tiles; build them again\n");
    }
    WorldResult result;
    for (const auto& [index, tile] : tiles) {
      checkTileFile(directory, tile);
      result.tiles.push_back(tile);
    }
    const WorldRecord manifest{*header, 0, 1, result.tiles};
    result.record = (directory / manifestName(base)).string();
    result.recordWritten = writeIfChanged(result.record, recordText(manifest));
    result.width = header->width;
    result.height = header->height;
    result.tileSize = header->tileSize;
    result.columns = header->columns;
    result.rows = header->rows;
    return result;
  } catch (const Failure& failure) {
    throw errorOf(failure);
  }
}

}  // namespace quorvel
