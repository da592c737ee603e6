#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <vector>

#include "cli/gdal_cache.h"
#include "cli/json_output.h"
#include "failure.h"
#include "inspect/cell_dump.h"
#include "inspect/gltf.h"
#include "inspect/json_report.h"
#include "inspect/map_diff.h"
#include "inspect/map_picture.h"
#include "inspect/map_summary.h"
#include "inspect/output_name.h"
#include "inspect/tileset.h"
#include "inspect/world_picture.h"
#include "inspect/world_summary.h"
#include "quorvel/map_cells.h"

namespace quorvel {
namespace {

constexpr const char* kUsage =
    "usage: quorvel-inspect FILE.map [--cell X Y | --preview OUT.png | --relief OUT.png] [--json]\n"
    "       quorvel-inspect FILE.map --gltf OUT.glb [--max-triangles N] [--json]\n"
    "       quorvel-inspect A.map B.map --diff [--json]\n"
    "       quorvel-inspect OUTDIR/BASE.world.json [--preview OUT.png [--width N]] [--json]\n"
    "       quorvel-inspect FILE.map|OUTDIR/BASE.world.json --3d-tiles DIR [--json]\n";

// Exit codes, as cmp has them for --diff; a summary, cell or picture failure is 1.
constexpr int kSame = 0;
constexpr int kDiffer = 1;
constexpr int kTrouble = 2;

enum class Mode { kSummary, kCell, kPreview, kRelief, kGltf, kDiff, kTiles };

struct Request {
  Mode mode = Mode::kSummary;
  std::vector<std::string> maps;
  long long x = 0;
  long long y = 0;
  std::string pictureName;  // or the .glb
  long long maxTriangles = kDefaultMaxTriangles;
  bool maxTrianglesGiven = false;
  long long width = 0;  // of a world's preview; 0: the world's own
  bool widthGiven = false;
  bool json = false;
};

// False unless the whole text is a whole number that fits.
bool coordinate(const std::string& text, long long& value) {
  errno = 0;
  char* end = nullptr;
  value = std::strtoll(text.c_str(), &end, 10);
  return end != text.c_str() && *end == '\0' && errno != ERANGE;
}

// Fills request from the arguments; returns what is wrong with them, or "" when nothing is.
std::string parseRequest(const std::vector<std::string>& arguments, Request& request) {
  bool modeGiven = false;
  for (std::size_t i = 0; i < arguments.size(); ++i) {
    const std::string& argument = arguments[i];
    const std::size_t left = arguments.size() - i - 1;
    Mode mode = Mode::kSummary;
    if (argument == "--cell") {
      mode = Mode::kCell;
      if (left < 2) return "--cell needs the pixel's X and Y";
      for (const std::size_t at : {i + 1, i + 2}) {
        if (!coordinate(arguments[at], at == i + 1 ? request.x : request.y)) {
          return "--cell needs two whole numbers, not " + arguments[at];
        }
      }
      i += 2;
    } else if (argument == "--preview" || argument == "--relief") {
      mode = argument == "--preview" ? Mode::kPreview : Mode::kRelief;
      if (left < 1) return argument + " needs the name of the PNG to write";
      request.pictureName = arguments[++i];
    } else if (argument == "--gltf") {
      mode = Mode::kGltf;
      if (left < 1) return "--gltf needs the name of the .glb to write";
      request.pictureName = arguments[++i];
    } else if (argument == "--3d-tiles") {
      mode = Mode::kTiles;
      if (left < 1) return "--3d-tiles needs the directory to write";
      request.pictureName = arguments[++i];
    } else if (argument == "--max-triangles") {
      // Two triangles are the least that cover the terrain's rectangle.
      if (left < 1 || !coordinate(arguments[i + 1], request.maxTriangles) ||
          request.maxTriangles < 2) {
        return "--max-triangles needs a whole number of at least 2";
      }
      request.maxTrianglesGiven = true;
      ++i;
      continue;
    } else if (argument == "--width") {
      if (left < 1 || !coordinate(arguments[i + 1], request.width) || request.width < 1 ||
          request.width > 1000000) {
        return "--width needs a whole number from 1 to 1000000";
      }
      request.widthGiven = true;
      ++i;
      continue;
    } else if (argument == "--diff") {
      mode = Mode::kDiff;
    } else if (argument.size() > 1 && argument[0] == '-') {
      return "unknown option " + argument;
    } else {
      request.maps.push_back(argument);
      continue;
    }
    if (modeGiven) return argument + " cannot be combined with another option";
    request.mode = mode;
    modeGiven = true;
  }
  if (request.maxTrianglesGiven && request.mode != Mode::kGltf) {
    return "--max-triangles goes with --gltf";
  }
  const std::size_t wanted = request.mode == Mode::kDiff ? 2 : 1;
  if (request.maps.size() != wanted) {
    return request.mode == Mode::kDiff ? "--diff needs two maps" : "give one map";
  }
  const bool world = request.maps[0].ends_with(".world.json");
  if (world && request.mode != Mode::kPreview && request.mode != Mode::kSummary &&
      request.mode != Mode::kTiles) {
    return "a world's manifest takes --preview or --3d-tiles only";
  }
  if (request.widthGiven && !world) return "--width goes with a world's --preview";
  return "";
}

// The text report, or with --json its JSON form; the pictures and the .glb have none in text.
void report(const Request& request, const std::string& text, const nlohmann::json& json) {
  if (request.json) {
    printJson(json);
  } else {
    std::fputs(text.c_str(), stdout);
  }
}

int run(const Request& request) {
  if (request.mode == Mode::kDiff) {
    MapCells a(request.maps[0]);
    MapCells b(request.maps[1]);
    const MapDifference difference = diffMaps(a, b);
    report(request, formatDifference(a, b, difference), differenceJson(a, b, difference));
    return difference.sameHeader && difference.differingCells == 0 ? kSame : kDiffer;
  }
  if (request.mode == Mode::kTiles) {
    const TilesetReport done = writeTileset(request.maps[0], request.pictureName);
    report(request, "", tilesetJson(request.pictureName, done));
    return 0;
  }
  if (!request.pictureName.empty()) checkOutputName(request.pictureName);
  if (request.maps[0].ends_with(".world.json") && request.mode == Mode::kSummary) {
    const WorldSummary summary = summarizeWorld(request.maps[0]);
    report(request, formatWorldSummary(request.maps[0], summary),
           worldSummaryJson(request.maps[0], summary));
    return 0;
  }
  if (request.maps[0].ends_with(".world.json")) {
    const Picture picture = worldPreviewPicture(request.maps[0], static_cast<int>(request.width));
    writePng(picture, request.pictureName);
    report(request, "", pictureJson("preview", request.pictureName, picture));
    return 0;
  }
  if (request.mode == Mode::kPreview || request.mode == Mode::kRelief) {
    const bool preview = request.mode == Mode::kPreview;
    const Map map(request.maps[0]);
    const Picture picture = preview ? previewPicture(map) : reliefPicture(map);
    writePng(picture, request.pictureName);
    report(request, "", pictureJson(preview ? "preview" : "relief", request.pictureName, picture));
    return 0;
  }
  MapCells cells(request.maps[0]);
  switch (request.mode) {
    case Mode::kSummary: {
      const MapSummary summary = summarizeMap(cells);
      report(request, formatSummary(cells.path(), summary), summaryJson(cells.path(), summary));
      break;
    }
    case Mode::kCell: {
      const CellDump dump = readCellOfPixel(cells, request.x, request.y);
      report(request, formatCell(dump), cellJson(cells.path(), dump));
      break;
    }
    case Mode::kGltf: {
      const GltfExport done = exportGltf(cells, request.pictureName, request.maxTriangles);
      if (done.kind != MeshKind::kCellFans) {
        std::fprintf(stderr,
                     "quorvel-inspect: kept %lld of the map's %lld triangles (--max-triangles "
                     "%lld)%s, heights within %.9g of the map's\n",
                     static_cast<long long>(done.triangles),
                     static_cast<long long>(done.mapTriangles), request.maxTriangles,
                     done.kind == MeshKind::kPixelGrid ? " on a grid of pixels" : "",
                     done.maxError);
      }
      if (!done.fallback.empty()) {
        std::fprintf(stderr, "quorvel-inspect: %s\n", done.fallback.c_str());
      }
      report(request, "", gltfExportJson(request.pictureName, done));
      break;
    }
    case Mode::kPreview:
    case Mode::kRelief:
    case Mode::kDiff:
    case Mode::kTiles:
      break;
  }
  return 0;
}

}  // namespace
}  // namespace quorvel

int main(int argc, char** argv) {
  using namespace quorvel;
  // A file-size limit must give a write error, which removes the unfinished .glb or picture,
  // rather than a signal that would leave it behind.
  std::signal(SIGXFSZ, SIG_IGN);
  limitGdalCache();
  const std::vector<std::string> arguments(argv + (argc > 0 ? 1 : argc), argv + argc);
  if (arguments.size() == 1 && (arguments[0] == "--help" || arguments[0] == "-h")) {
    std::fputs(kUsage, stdout);
    return 0;
  }
  if (arguments.size() == 1 && arguments[0] == "--version") {
    std::printf("quorvel-inspect %s\n", version());
    return 0;
  }
  // --json counts wherever it stands, so that even a mistake in the other arguments is
  // reported as JSON; it is never taken as the value of another option.
  Request request;
  std::vector<std::string> others;
  for (const std::string& argument : arguments) {
    if (argument == "--json") {
      request.json = true;
    } else {
      others.push_back(argument);
    }
  }
  const std::string mistake = parseRequest(others, request);
  if (!mistake.empty()) {
    const std::string line = "quorvel-inspect: " + escapeControls(mistake) + "\n";
    if (request.json) {
      printJson(errorObject(line, kTrouble, ErrorKind::kUsage, kUsage));
      std::fflush(stdout);
      std::fputs(kUsage, stderr);
    } else {
      std::fputs((line + kUsage).c_str(), stdout);
    }
    return kTrouble;
  }
  // Damage is trouble for a comparison (exit 2, as cmp) and plain failure otherwise.
  const int failed = request.mode == Mode::kDiff ? kTrouble : 1;
  std::string line;
  std::string hint;
  ErrorKind kind = ErrorKind::kFormat;
  try {
    return run(request);
  } catch (const Failure& failure) {
    line = failure.what();
    hint = failure.hint();
    kind = failure.kind();
  } catch (const Error& error) {
    line = std::string(error.what()) + "\n";
    if (!error.hint().empty()) hint = error.hint() + "\n";
    kind = error.kind();
  } catch (const std::exception& error) {
    line = "quorvel-inspect: " + escapeControls(error.what()) + "\n";
    kind = kindOfException(error);
  }
  if (request.json) {
    printJson(errorObject(line, failed, kind, hint));
  } else {
    std::fputs(line.c_str(), stdout);
  }
  std::fflush(stdout);
  std::fputs(hint.c_str(), stderr);
  return failed;
}
