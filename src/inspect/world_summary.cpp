#include "inspect/world_summary.h"

#include <cinttypes>
#include <cmath>
#include <filesystem>
#include <vector>

#include "cli/json_output.h"
#include "failure.h"
#include "printf_text.h"

namespace quorvel {
namespace {

using Json = nlohmann::json;

Json real(float value) { return std::isfinite(value) ? Json(double{value}) : Json(nullptr); }

// Adds the heights of tile's own pixels: not its first column or row when the tile west or
// south of it holds them too.
void addHeights(const Map& map, const WorldTile& tile, WorldSummary& summary) {
  const std::vector<float>& heights = map.heights();
  for (std::int32_t y = tile.row > 0 ? 1 : 0; y < map.height(); ++y) {
    for (std::int32_t x = tile.column > 0 ? 1 : 0; x < map.width(); ++x) {
      const float height = heights[static_cast<std::size_t>(y) * map.width() + x];
      ++summary.vertices;
      if (std::isnan(height)) {
        ++summary.nanHeights;
      } else if (summary.vertices - summary.nanHeights == 1) {
        summary.minHeight = summary.maxHeight = height;
      } else {
        summary.minHeight = std::min(summary.minHeight, height);
        summary.maxHeight = std::max(summary.maxHeight, height);
      }
    }
  }
}

std::string bakedText(const BakedLight& baked) {
  if (baked.skyDirections == 0 && !baked.shadows) return "none";
  std::string text;
  if (baked.skyDirections != 0) text = printfText("sky (%d directions)", baked.skyDirections);
  if (baked.shadows) {
    text += printfText("%sshadows (sun %.9g degrees)", text.empty() ? "" : ", ",
                       baked.sunDiameter);
  }
  return text;
}

}  // namespace

WorldSummary summarizeWorld(const std::string& manifestName) {
  WorldSummary summary;
  summary.manifest = readWorldManifest(manifestName);
  const std::filesystem::path directory = std::filesystem::path(manifestName).parent_path();
  for (const WorldTile& tile : summary.manifest.tiles) {
    const std::string name = (directory / tile.file).string();
    const Map map(name);
    if (map.bytes() != tile.bytes || map.width() != tile.width || map.height() != tile.height) {
      throw Error(name + " is not the tile its manifest records", "", ErrorKind::kFormat);
    }
    summary.bytes += map.bytes();
    addHeights(map, tile, summary);
  }
  return summary;
}

std::string formatWorldSummary(const std::string& manifestName, const WorldSummary& summary) {
  const WorldManifest& world = summary.manifest;
  std::string text;
  text += printfText("%s: world of %d x %d pixels, %d x %d blocFiles\n",
                     escapeControls(manifestName).c_str(), world.width, world.height,
                     (world.width - 1) / 50, (world.height - 1) / 50);
  text += printfText("tiles: %d x %d of %d pixels, %zu files, %" PRId64 " bytes\n", world.columns,
                     world.rows, world.tileSize, world.tiles.size(), summary.bytes);
  if (summary.nanHeights == summary.vertices) {
    text += printfText("heights: all %" PRId64 " are NaN\n", summary.nanHeights);
  } else {
    text += printfText("heights: %.9g to %.9g", double{summary.minHeight},
                       double{summary.maxHeight});
    if (summary.nanHeights > 0) text += printfText(", and %" PRId64 " NaN", summary.nanHeights);
    text += "\n";
  }
  const Settings& settings = world.settings;
  text += printfText("settings: light %.9g %.9g %.9g, z scale %.9g, sea level %.9g\n",
                     double{settings.lightDirection.x}, double{settings.lightDirection.y},
                     double{settings.lightDirection.z}, double{settings.zScaleFactor},
                     double{settings.seaLevel});
  text += "baked light: " + bakedText(settings.baked) + "\n";
  if (world.georeference) {
    const auto& t = world.georeference->geotransform;
    text += printfText(
        "georeference: geotransform %.17g %.17g %.17g %.17g %.17g %.17g (north up; tile rows "
        "count from the south)\n",
        t[0], t[1], t[2], t[3], t[4], t[5]);
  }
  return text;
}

Json worldSummaryJson(const std::string& manifestName, const WorldSummary& summary) {
  const WorldManifest& world = summary.manifest;
  const Settings& settings = world.settings;
  const Vector3& light = settings.lightDirection;
  const bool anyHeight = summary.nanHeights < summary.vertices;
  Json object = {
      {"world", nameText(manifestName)},
      {"width", world.width},
      {"height", world.height},
      {"largeur", (world.width - 1) / 50},
      {"hauteur", (world.height - 1) / 50},
      {"tile_size", world.tileSize},
      {"columns", world.columns},
      {"rows", world.rows},
      {"tiles", world.tiles.size()},
      {"bytes", summary.bytes},
      {"vertices", summary.vertices},
      {"heights",
       {{"min", anyHeight ? real(summary.minHeight) : Json(nullptr)},
        {"max", anyHeight ? real(summary.maxHeight) : Json(nullptr)},
        {"nan", summary.nanHeights}}},
      {"settings",
       {{"light", {double{light.x}, double{light.y}, double{light.z}}},
        {"z_scale", double{settings.zScaleFactor}},
        {"sea_level", double{settings.seaLevel}}}},
      {"baked_light",
       {{"sky", settings.baked.skyDirections},
        {"shadows", settings.baked.shadows},
        {"sun_size", settings.baked.sunDiameter}}}};
  object["georeference"] =
      world.georeference ? Json{{"crs", nameText(world.georeference->crs)},
                                {"geotransform", world.georeference->geotransform}}
                         : Json(nullptr);
  return object;
}

}  // namespace quorvel
