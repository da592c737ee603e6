#include "world/manifest.h"

#include <exception>
#include <nlohmann/json.hpp>

#include "version.h"

namespace quorvel {
namespace {

using Json = nlohmann::ordered_json;

constexpr const char* kFormat = "quorvel-world";
constexpr int kFormatVersion = 1;

WorldTile tileOf(const Json& json) {
  WorldTile tile;
  json.at("file").get_to(tile.file);
  json.at("column").get_to(tile.column);
  json.at("row").get_to(tile.row);
  const Json& window = json.at("window");
  window.at("x0").get_to(tile.x0);
  window.at("y0").get_to(tile.y0);
  window.at("width").get_to(tile.width);
  window.at("height").get_to(tile.height);
  json.at("bytes").get_to(tile.bytes);
  json.at("sha256").get_to(tile.sha256);
  json.at("fingerprint").get_to(tile.fingerprint);
  return tile;
}

// Each float32 setting as the double it converts to exactly, which reads back to the same
// float.
// The baked light only when asked for: a plain world's manifest says what it always said.
Json settingsJson(const Settings& settings) {
  const Vector3& light = settings.lightDirection;
  Json json = {{"light", {double{light.x}, double{light.y}, double{light.z}}},
               {"z_scale", double{settings.zScaleFactor}},
               {"sea_level", double{settings.seaLevel}}};
  const BakedLight& baked = settings.baked;
  if (baked.skyDirections != 0 || baked.shadows) {
    json["baked_light"] = {{"sky", baked.skyDirections},
                           {"shadows", baked.shadows},
                           {"sun_size", baked.sunDiameter}};
  }
  return json;
}

Settings settingsOf(const Json& json) {
  const auto single = [](const Json& value) { return static_cast<float>(value.get<double>()); };
  const Json& light = json.at("light");
  Settings settings;
  settings.lightDirection = {single(light.at(0)), single(light.at(1)), single(light.at(2))};
  settings.zScaleFactor = single(json.at("z_scale"));
  settings.seaLevel = single(json.at("sea_level"));
  if (json.contains("baked_light")) {
    const Json& baked = json.at("baked_light");
    settings.baked = BakedLight{baked.at("sky").get<int>(), baked.at("shadows").get<bool>(),
                                baked.at("sun_size").get<double>()};
  }
  return settings;
}

}  // namespace

nlohmann::ordered_json manifestTileJson(const WorldTile& tile) {
  return {{"file", tile.file},
          {"column", tile.column},
          {"row", tile.row},
          {"window",
           {{"x0", tile.x0}, {"y0", tile.y0}, {"width", tile.width}, {"height", tile.height}}},
          {"bytes", tile.bytes},
          {"sha256", tile.sha256},
          {"fingerprint", tile.fingerprint}};
}

bool sameHeader(const WorldHeader& a, const WorldHeader& b) {
  return settingsJson(a.settings) == settingsJson(b.settings) && a.tileSize == b.tileSize &&
         a.columns == b.columns && a.rows == b.rows && a.width == b.width && a.height == b.height &&
         a.georeference == b.georeference;
}

std::string manifestName(const std::string& base) { return base + ".world.json"; }

std::string shardRecordName(const std::string& base, std::int32_t shardIndex,
                            std::int32_t shardCount) {
  return base + ".shard-" + std::to_string(shardIndex) + "-of-" + std::to_string(shardCount) +
         ".json";
}

std::string journalName(const std::string& base, std::int32_t shardIndex, std::int32_t shardCount) {
  if (shardCount <= 1) return base + ".world.journal";
  return base + ".shard-" + std::to_string(shardIndex) + "-of-" + std::to_string(shardCount) +
         ".journal";
}

std::string recordText(const WorldRecord& record) {
  const WorldHeader& header = record.header;
  Json json = {{"format", kFormat},
               {"format_version", kFormatVersion},
               {"tool", {{"name", "quorvel-world"}, {"version", kVersion}}}};
  if (record.shardCount > 1) {
    json["shard"] = {{"index", record.shardIndex}, {"count", record.shardCount}};
  }
  json["settings"] = settingsJson(header.settings);
  json["tile_size"] = header.tileSize;
  json["grid"] = {{"columns", header.columns}, {"rows", header.rows}};
  json["world"] = {{"width", header.width}, {"height", header.height}};
  if (header.georeference) {
    json["georeference"] = {{"crs", header.georeference->crs},
                            {"geotransform", header.georeference->transform}};
  }
  Json tiles = Json::array();
  for (const WorldTile& tile : record.tiles) tiles.push_back(manifestTileJson(tile));
  json["tiles"] = std::move(tiles);
  return json.dump(2) + "\n";
}

std::optional<WorldRecord> parseRecord(const std::string& text) {
  try {
    const Json json = Json::parse(text);
    if (json.at("format") != kFormat || json.at("format_version") != kFormatVersion) {
      return std::nullopt;
    }
    WorldRecord record;
    if (json.contains("shard")) {
      json.at("shard").at("index").get_to(record.shardIndex);
      json.at("shard").at("count").get_to(record.shardCount);
    }
    WorldHeader& header = record.header;
    header.settings = settingsOf(json.at("settings"));
    json.at("tile_size").get_to(header.tileSize);
    json.at("grid").at("columns").get_to(header.columns);
    json.at("grid").at("rows").get_to(header.rows);
    json.at("world").at("width").get_to(header.width);
    json.at("world").at("height").get_to(header.height);
    if (json.contains("georeference")) {
      Georeference georeference;
      json.at("georeference").at("crs").get_to(georeference.crs);
      json.at("georeference").at("geotransform").get_to(georeference.transform);
      header.georeference = georeference;
    }
    for (const Json& tile : json.at("tiles")) record.tiles.push_back(tileOf(tile));
    return record;
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

std::string journalLine(const WorldTile& tile) { return manifestTileJson(tile).dump() + "\n"; }

std::optional<WorldTile> parseJournalLine(const std::string& line) {
  try {
    return tileOf(Json::parse(line));
  } catch (const std::exception&) {
    return std::nullopt;
  }
}

}  // namespace quorvel
