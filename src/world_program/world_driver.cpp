#include "world_program/world_driver.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <filesystem>
#include <string>
#include <string_view>
#include <vector>

#include "cli/json_output.h"
#include "cli/options.h"
#include "cli/settings.h"
#include "cli/size_line.h"
#include "cli/unfinished_maps.h"
#include "failure.h"
#include "quorvel/quorvel.h"

namespace quorvel {
namespace {

constexpr const char* kWorldUsage =
    "usage: quorvel-world [options] prefix outdir [x y z light direction] [z scale factor] "
    "[sea level]\n"
    "       quorvel-world --merge outdir/base [--json]\n";

constexpr int kUsageError = 2;

// A command line that cannot be followed: exit 2.
struct UsageError {
  std::string line;
};

struct Request {
  bool json = false;
  CommandLine line;
  WorldOptions world;
};

// The options from the table both programs share; any refusal of them is a usage error.
void parseRequest(int argumentCount, const char* const* arguments, Request& request) {
  try {
    request.line = parseCommandLine(Program::kWorld, argumentCount, arguments);
  } catch (const Failure& failure) {
    std::string line = failure.what();
    if (line.ends_with('\n')) line.pop_back();
    throw UsageError{line};
  }
  const CommandLine& line = request.line;
  request.world.files = line.files;
  request.world.outdir = line.outdir;
  request.world.tileSize = line.tileSize;
  request.world.jobs = line.jobs;
  request.world.shardIndex = line.shardIndex;
  request.world.shardCount = line.shardCount;
  request.world.trustedInputs = line.trustedInputs;
  request.world.verify = line.verify;
  request.world.stage = line.stage == "horizons" ? WorldStage::kHorizons
                        : line.stage == "tiles"  ? WorldStage::kTiles
                                                 : WorldStage::kBoth;
}

// "3/25 tiles, about 12 s left", over the last line on a terminal.
void showProgress(std::int32_t done, std::int32_t total,
                  std::chrono::steady_clock::time_point start) {
  const double seconds =
      std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
  const double left = done > 0 ? seconds / done * (total - done) : 0.0;
  std::fprintf(stderr, "\rquorvel-world: %d/%d tiles, about %.0f s left   ", done, total, left);
  if (done == total) std::fputc('\n', stderr);
  std::fflush(stderr);
}

// The manifest's entry, its file name as printed, and whether this run built it.
nlohmann::json tileJson(const WorldTile& tile) {
  return {{"file", nameText(tile.file)},
          {"column", tile.column},
          {"row", tile.row},
          {"window",
           {{"x0", tile.x0}, {"y0", tile.y0}, {"width", tile.width}, {"height", tile.height}}},
          {"bytes", tile.bytes},
          {"sha256", tile.sha256},
          {"fingerprint", tile.fingerprint},
          {"built", tile.built}};
}

// warnings: the settings typed wrong, each with its line feed.
nlohmann::json resultJson(const WorldResult& result, const Request& request,
                          const std::vector<std::string>& warnings) {
  nlohmann::json tiles = nlohmann::json::array();
  for (const WorldTile& tile : result.tiles) tiles.push_back(tileJson(tile));
  nlohmann::json notes = nlohmann::json::array();
  for (const std::string& warning : warnings) {
    notes.push_back(nameText(warning.substr(0, warning.size() - 1)));
  }
  for (const std::string& note : result.notes) notes.push_back(nameText(note));
  nlohmann::json json = {{"record", nameText(result.record)},
                         {"record_written", result.recordWritten},
                         {"width", result.width},
                         {"height", result.height},
                         {"tile_size", result.tileSize},
                         {"columns", result.columns},
                         {"rows", result.rows},
                         {"built", result.built},
                         {"hashed", result.hashed},
                         {"inputs_read", result.inputsRead},
                         {"horizons_built", result.horizonsBuilt},
                         {"tiles", tiles},
                         {"notes", notes},
                         {"version", version()}};
  if (request.world.shardCount > 1) {
    json["shard"] = {{"index", request.world.shardIndex}, {"count", request.world.shardCount}};
  }
  return json;
}

void printSummary(const WorldResult& result) {
  std::printf("%s\n", sizeLine((result.width - 1) / 50, (result.height - 1) / 50).c_str());
  std::printf(
      "tuiles: %d x %d de %d pixels, %d construites, %d inchang\xe9"
      "es\n",
      result.columns, result.rows, result.tileSize, result.built,
      static_cast<int>(result.tiles.size()) - result.built);
  std::printf("%s: %s%s\n", result.record.ends_with(".world.json") ? "manifeste" : "part",
              result.record.c_str(), result.recordWritten ? "" : " (inchang\xe9)");
}

int run(int argumentCount, const char* const* arguments, Request& request) {
  parseRequest(argumentCount, arguments, request);
  const bool json = request.json;
  const CommandLine& line = request.line;
  if (!json) std::printf("quorvel-world %s\n", version());
  switch (line.action) {
    case CommandLine::Action::kVersion:
      if (json) printJson({{"version", version()}});
      return 0;
    case CommandLine::Action::kUsage:
    case CommandLine::Action::kHelp:
      if (json && line.action == CommandLine::Action::kUsage) {
        printJson(
            errorObject(std::string(kWorldUsage).substr(0, std::string(kWorldUsage).find('\n')), 0,
                        ErrorKind::kUsage));
        return 0;
      }
      std::fputs(kWorldUsage, stdout);
      if (line.action == CommandLine::Action::kHelp) {
        std::fputs(optionsHelp(Program::kWorld).c_str(), stdout);
      }
      return 0;
    case CommandLine::Action::kMerge: {
      removeUnfinishedMapsIn(std::filesystem::path(line.merge).parent_path());
      const WorldResult result = mergeWorld(line.merge);
      if (json) {
        printJson(resultJson(result, request, {}));
      } else {
        printSummary(result);
      }
      return 0;
    }
    case CommandLine::Action::kRun:
      break;
  }
  // Settings typed wrong as quorvel tells them: on standard error or among the JSON's notes,
  // and with --strict they stop the run before anything is read or written.
  const int count = static_cast<int>(line.settingsArguments.size());
  const char* const* words = line.settingsArguments.data();
  const std::vector<std::string> warnings = settingsWarnings(count, words);
  if (refuseSettingsWarnings(warnings, line.strict, json)) return kUsageError;
  request.world.settings = parseSettings(count, words);
  request.world.settings.baked = line.baked;
  if (!json) printSettings(request.world.settings);
  checkFiniteSettings(count, words);
  if (!json) {
    request.world.onNote = [](const std::string& note) {
      std::fprintf(stderr, "%s\n", note.c_str());
    };
  }
  if (::isatty(STDERR_FILENO) != 0) {
    const auto start = std::chrono::steady_clock::now();
    request.world.onProgress = [start](std::int32_t done, std::int32_t total) {
      showProgress(done, total, start);
    };
  }
  const BakedLight& baked = request.world.settings.baked;
  if (request.world.stage == WorldStage::kHorizons && baked.skyDirections == 0 && !baked.shadows) {
    // Only light baked across tiles has horizons to hand on.
    if (json) {
      printJson(resultJson(WorldResult{}, request, warnings));
    } else {
      std::printf("horizons: aucun sans --sky ni --shadows, rien de fait\n");
    }
    return 0;
  }
  removeUnfinishedMapsIn(request.world.outdir);
  const WorldResult result = buildWorld(request.world);
  if (json) {
    printJson(resultJson(result, request, warnings));
  } else if (request.world.stage == WorldStage::kHorizons) {
    std::printf("%s\n", sizeLine((result.width - 1) / 50, (result.height - 1) / 50).c_str());
    std::printf("horizons: %d x %d tuiles, %d \xe9" "crits\n", result.columns, result.rows,
                result.horizonsBuilt);
  } else {
    printSummary(result);
  }
  return 0;
}

}  // namespace

int runWorldDriver(int argumentCount, const char* const* arguments) {
  Request request;
  // --json counts among the options wherever it stands there, so that a mistake in the
  // others is reported as JSON too.
  for (int i = 1; i < argumentCount && std::string_view(arguments[i]).starts_with("--"); ++i) {
    if (std::string_view(arguments[i]) == "--json") request.json = true;
    if (std::string_view(arguments[i]) == "--") break;
  }
  try {
    return run(argumentCount, arguments, request);
  } catch (const UsageError& usage) {
    if (!request.json) std::printf("quorvel-world %s\n", version());
    return printRefusal(usage.line + "\n", kWorldUsage, request.json, kUsageError,
                        ErrorKind::kUsage);
  } catch (const Failure& failure) {
    return printRefusal(failure.what(), failure.hint(), request.json, failure.exitCode(),
                        failure.kind());
  } catch (const Error& error) {
    return printRefusal(error.what(), error.hint(), request.json, 1, error.kind());
  } catch (const std::exception& error) {
    return printRefusal("erreur: " + escapeControls(error.what()), {}, request.json, 1,
                        kindOfException(error));
  }
}

}  // namespace quorvel
