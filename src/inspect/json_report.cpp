#include "inspect/json_report.h"

#include <bit>
#include <cinttypes>
#include <cmath>
#include <cstdint>
#include <filesystem>
#include <nlohmann/json.hpp>
#include <system_error>

#include "cli/json_output.h"
#include "printf_text.h"

namespace quorvel {
namespace {

using Json = nlohmann::json;

// The float's own value: a double holds every float exactly, and the shortest digits that
// give that double back are written.
Json real(float value) { return std::isfinite(value) ? Json(double{value}) : Json(nullptr); }

Json bitsOf(float value) { return printfText("0x%08" PRIX32, std::bit_cast<std::uint32_t>(value)); }

Json pair(int x, int y) { return Json::array({x, y}); }

// The size of a file just written, or null when it cannot be read back.
Json fileBytes(const std::string& fileName) {
  std::error_code error;
  const std::uintmax_t bytes = std::filesystem::file_size(fileName, error);
  return error ? Json(nullptr) : Json(bytes);
}

constexpr const char* kChannelNames[3] = {"red", "green", "blue"};
constexpr const char* kAxisNames[3] = {"x", "y", "z"};

}  // namespace

Json summaryJson(const std::string& fileName, const MapSummary& summary) {
  Json object = {{"map", nameText(fileName)},      {"largeur", summary.largeur},
                 {"hauteur", summary.hauteur},     {"width", summary.widthPixels},
                 {"height", summary.heightPixels}, {"bytes", summary.fileBytes},
                 {"vertices", summary.vertexCount}};
  if (summary.vertexCount == 0) {
    object["heights"] = nullptr;
    object["colours"] = nullptr;
    return object;
  }
  const bool anyHeight = summary.nanHeights < summary.vertexCount;
  object["heights"] = {{"min", anyHeight ? real(summary.minHeight) : Json(nullptr)},
                       {"max", anyHeight ? real(summary.maxHeight) : Json(nullptr)},
                       {"nan", summary.nanHeights}};
  Json colours = Json::object();
  for (int c = 0; c < 3; ++c) {
    const ChannelRange& range = summary.channels[c];
    colours[kChannelNames[c]] = {{"min", range.min}, {"max", range.max}, {"mean", range.mean}};
  }
  object["colours"] = colours;
  return object;
}

Json cellJson(const std::string& fileName, const CellDump& dump) {
  const MapCell& cell = dump.cell;
  Json vertices = Json::array();
  for (int k = 0; k < MapCell::kVertices; ++k) {
    const auto& colour = cell.colours[k];
    const auto [x, y] = cell.vertexPixel(k);
    vertices.push_back({{"pixel", pair(x, y)},
                        {"colour", {colour[0], colour[1], colour[2]}},
                        {"height", real(cell.heights[k])},
                        {"heightBits", bitsOf(cell.heights[k])}});
  }
  Json triangles = Json::array();
  for (int t = 0; t < MapCell::kTriangles; ++t) {
    const Vector3& n = cell.normals[t];
    triangles.push_back({{"vertices", {0, t + 1, t + 2 == MapCell::kVertices ? 1 : t + 2}},
                         {"normal", {real(n.x), real(n.y), real(n.z)}},
                         {"normalBits", {bitsOf(n.x), bitsOf(n.y), bitsOf(n.z)}}});
  }
  return Json({{"map", nameText(fileName)},
               {"pixel", {dump.x, dump.y}},
               {"vertex", dump.vertex},
               {"origin", pair(cell.originX, cell.originY)},
               {"byte", cell.offset},
               {"blocFile", pair(cell.blocX, cell.blocY)},
               {"subBlock", pair(cell.subX, cell.subY)},
               {"cell", pair(cell.cellX, cell.cellY)},
               {"vertices", vertices},
               {"triangles", triangles}});
}

Json differenceJson(const MapCells& a, const MapCells& b, const MapDifference& difference) {
  Json object = {
      {"a", {{"map", nameText(a.path())}, {"largeur", a.largeur()}, {"hauteur", a.hauteur()}}},
      {"b", {{"map", nameText(b.path())}, {"largeur", b.largeur()}, {"hauteur", b.hauteur()}}},
      {"identical", difference.sameHeader && difference.differingCells == 0}};
  if (!difference.sameHeader) return object;
  object["cells"] = a.cellCount();
  object["differingCells"] = difference.differingCells;
  if (difference.differingCells == 0) return object;
  const MapCell& place = difference.firstA;
  const ValuePlace& value = difference.firstValue;
  Json first = {{"byte", place.offset + value.offset},
                {"blocFile", pair(place.blocX, place.blocY)},
                {"subBlock", pair(place.subX, place.subY)},
                {"cell", pair(place.cellX, place.cellY)}};
  if (value.field == CellField::kFaceNormals) {
    first["field"] = "faceNormals";
    first["triangle"] = value.index;
    first["component"] = kAxisNames[value.component];
  } else {
    first["field"] = value.field == CellField::kColors ? "colors" : "heights";
    first["vertex"] = value.index;
    const auto [x, y] = place.vertexPixel(value.index);
    first["pixel"] = pair(x, y);
    if (value.field == CellField::kColors) first["component"] = kChannelNames[value.component];
  }
  for (const auto& [key, cell] :
       {std::pair{"a", &difference.firstA}, std::pair{"b", &difference.firstB}}) {
    if (value.field == CellField::kColors) {
      first[key] = cell->bytes[value.offset];
    } else {
      const float stored = storedFloat(*cell, value);
      first[key] = real(stored);
      first[std::string(key) + "Bits"] = bitsOf(stored);
    }
  }
  object["first"] = first;
  return object;
}

Json pictureJson(const std::string& kind, const std::string& fileName, const Picture& picture) {
  return Json({{"written", nameText(fileName)},
               {"kind", kind},
               {"bytes", fileBytes(fileName)},
               {"width", picture.width},
               {"height", picture.height}});
}

Json gltfExportJson(const std::string& fileName, const GltfExport& done) {
  constexpr const char* kMeshNames[] = {"cellFans", "simplified", "pixelGrid"};
  Json object = {{"written", nameText(fileName)},
                 {"kind", "gltf"},
                 {"bytes", fileBytes(fileName)},
                 {"mesh", kMeshNames[static_cast<int>(done.kind)]},
                 {"triangles", done.triangles},
                 {"mapTriangles", done.mapTriangles},
                 {"max_error", done.maxError}};
  if (!done.fallback.empty()) object["fallback"] = done.fallback;
  return object;
}

Json tilesetJson(const std::string& directory, const TilesetReport& done) {
  Json files = Json::array();
  for (const auto& [name, bytes] : done.written) {
    files.push_back({{"name", nameText(name)}, {"bytes", bytes}});
  }
  return Json({{"written", nameText(directory)},
               {"kind", "3dTiles"},
               {"nodes", done.nodes},
               {"levels", done.levels},
               {"unchanged", done.unchanged},
               {"files", files}});
}

}  // namespace quorvel
