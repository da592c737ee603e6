#include "world_program/world_driver.h"

#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>
#include <string_view>
#include <vector>

#include "cli/json_output.h"
#include "compiler/options.h"
#include "compiler/settings.h"
#include "failure.h"
#include "quorvel/quorvel.h"
#include "world/manifest.h"

namespace quorvel {
namespace {

constexpr const char* kWorldUsage =
    "usage: quorvel-world [options] prefix outdir [x y z light direction] [z scale factor] "
    "[sea level]\n"
    "       quorvel-world --merge outdir/base [--json]\n";

constexpr const char* kOptionsHelp =
    "options, only before the prefix:\n"
    "  --tile T         tile size in pixels, 50 n + 1 from 51 to 5001 (default: 5001)\n"
    "  --jobs N         threads building tiles (default: one per processor)\n"
    "  --shard K/N      build only tiles whose number is K modulo N, and record them in\n"
    "                   outdir/base.shard-K-of-N.json for --merge\n"
    "  --merge OUTDIR/BASE  write OUTDIR/BASE.world.json from the records of every shard\n"
    "  --alt, --difmat, --ambmat, --diflight, --amblight FILE, --ext EXT,\n"
    "  --trusted-inputs  as quorvel's\n"
    "  --json           one JSON object on standard output instead of the text lines\n"
    "  --               ends the options (for a prefix that begins with --)\n"
    "  --help           this text\n"
    "  --version        the banner only\n";

constexpr int kUsageError = 2;

// A command line that cannot be followed: exit 2.
struct UsageError {
  std::string line;
};

// The options quorvel's parser takes a value for.
bool takesValue(std::string_view option) {
  for (const std::string_view name :
       {"--alt", "--difmat", "--ambmat", "--diflight", "--amblight", "--ext"}) {
    if (option == name) return true;
  }
  return false;
}

// The lighting options of quorvel that a world cannot bake: they look beyond a tile.
bool refusedOption(std::string_view option) {
  return option == "--sky" || option.starts_with("--sky=") || option == "--shadows" ||
         option.starts_with("--shadows=") || option == "--sun-size" ||
         option.starts_with("--sun-size=");
}

// A whole number from min to max, all of text.
bool wholeNumber(const std::string& text, long long min, long long max, long long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text.c_str(), &end, 10);
  return !text.empty() && end != text.c_str() && *end == '\0' && errno == 0 && value >= min &&
         value <= max;
}

struct Request {
  enum class Action { kUsage, kHelp, kVersion, kBuild, kMerge };
  Action action = Action::kUsage;
  bool json = false;
  WorldOptions world;
  std::string merge;
  CommandLine quorvel;  // the prefix, its images and its settings, as quorvel reads them
  std::vector<std::string> forwarded;
  std::vector<const char*> forwardedPointers;
};

// The world's own options; the others, the prefix and the settings go to quorvel's parser,
// which applies quorvel's rules to them.
void parseRequest(int argumentCount, const char* const* arguments, Request& request) {
  request.forwarded.push_back(argumentCount > 0 ? arguments[0] : "quorvel-world");
  int next = 1;
  const auto value = [&](const std::string& option) {
    if (next + 1 >= argumentCount) throw UsageError{"quorvel-world: " + option + " needs a value"};
    return std::string(arguments[++next]);
  };
  bool endOfOptions = false;
  for (; next < argumentCount && std::string_view(arguments[next]).starts_with("--"); ++next) {
    const std::string option = arguments[next];
    long long number = 0;
    if (option == "--") {
      request.forwarded.push_back(option);
      ++next;
      endOfOptions = true;
      break;
    }
    if (option == "--help" || option == "--version") {
      request.action = option == "--help" ? Request::Action::kHelp : Request::Action::kVersion;
      return;
    }
    if (option == "--json") {
      request.json = true;
    } else if (option == "--tile") {
      const std::string text = value(option);
      if (!wholeNumber(text, 51, 5001, number) || (number - 1) % 50 != 0) {
        throw UsageError{
            "quorvel-world: --tile needs a size of 50 n + 1 pixels from 51 to 5001, not " + text};
      }
      request.world.tileSize = static_cast<std::int32_t>(number);
    } else if (option == "--jobs") {
      const std::string text = value(option);
      if (!wholeNumber(text, 1, 4096, number)) {
        throw UsageError{"quorvel-world: --jobs needs a whole number from 1 to 4096, not " + text};
      }
      request.world.jobs = static_cast<int>(number);
    } else if (option == "--shard") {
      const std::string text = value(option);
      const std::size_t slash = text.find('/');
      long long count = 0;
      if (slash == std::string::npos || !wholeNumber(text.substr(slash + 1), 1, 1000000, count) ||
          !wholeNumber(text.substr(0, slash), 0, count - 1, number)) {
        throw UsageError{"quorvel-world: --shard needs K/N with 0 <= K < N, not " + text};
      }
      request.world.shardIndex = static_cast<std::int32_t>(number);
      request.world.shardCount = static_cast<std::int32_t>(count);
    } else if (option == "--merge") {
      request.merge = value(option);
      request.action = Request::Action::kMerge;
    } else if (refusedOption(option)) {
      throw UsageError{"quorvel-world: " + option +
                       " cannot build a world: the sky and the shadows of a tile depend"
                       " on terrain beyond it"};
    } else {
      request.forwarded.push_back(option);
      if (takesValue(option)) request.forwarded.push_back(value(option));
    }
  }
  const int positional = argumentCount - next;
  if (request.action == Request::Action::kMerge) {
    if (positional > 0 || request.world.shardCount > 1) {
      throw UsageError{"quorvel-world: --merge takes outdir/base only"};
    }
    return;
  }
  if (positional == 0 && !endOfOptions) return;  // the usage line
  if (positional < 2) throw UsageError{"quorvel-world: give the prefix and the output directory"};
  request.world.outdir = arguments[next + 1];
  // An option written after the prefix would otherwise name the directory the whole world is
  // written to.
  if (request.world.outdir.starts_with("--")) {
    throw UsageError{"quorvel-world: options come before the prefix, so " + request.world.outdir +
                     " is not an output directory (write ./" + request.world.outdir +
                     " for a directory of that name)"};
  }
  request.forwarded.push_back(arguments[next]);
  for (int i = next + 2; i < argumentCount; ++i) request.forwarded.push_back(arguments[i]);
  for (const std::string& argument : request.forwarded) {
    request.forwardedPointers.push_back(argument.c_str());
  }
  try {
    request.quorvel = parseCommandLine(static_cast<int>(request.forwardedPointers.size()),
                                       request.forwardedPointers.data());
  } catch (const Failure& failure) {
    std::string line = failure.what();
    if (line.ends_with('\n')) line.pop_back();
    throw UsageError{line};
  }
  request.world.files = request.quorvel.files;
  request.world.trustedInputs = request.quorvel.trustedInputs;
  request.action = Request::Action::kBuild;
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
  nlohmann::json json = manifestTileJson(tile);
  json["file"] = nameText(tile.file);
  json["built"] = tile.built;
  return json;
}

nlohmann::json resultJson(const WorldResult& result, const Request& request) {
  nlohmann::json tiles = nlohmann::json::array();
  for (const WorldTile& tile : result.tiles) tiles.push_back(tileJson(tile));
  nlohmann::json notes = nlohmann::json::array();
  for (const std::string& note : result.notes) notes.push_back(nameText(note));
  nlohmann::json json = {{"record", nameText(result.record)},
                         {"record_written", result.recordWritten},
                         {"width", result.width},
                         {"height", result.height},
                         {"tile_size", result.tileSize},
                         {"columns", result.columns},
                         {"rows", result.rows},
                         {"built", result.built},
                         {"tiles", tiles},
                         {"notes", notes},
                         {"version", version()}};
  if (request.world.shardCount > 1) {
    json["shard"] = {{"index", request.world.shardIndex}, {"count", request.world.shardCount}};
  }
  return json;
}

void printSummary(const WorldResult& result) {
  std::printf("largeur: %d, hauteur: %d (en blocFile)\n", (result.width - 1) / 50,
              (result.height - 1) / 50);
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
  if (!json) std::printf("quorvel-world %s\n", version());
  switch (request.action) {
    case Request::Action::kVersion:
      if (json) printJson({{"version", version()}});
      return 0;
    case Request::Action::kUsage:
    case Request::Action::kHelp:
      if (json && request.action == Request::Action::kUsage) {
        printJson(errorObject(
            std::string(kWorldUsage).substr(0, std::string(kWorldUsage).find('\n')), 0));
        return 0;
      }
      std::fputs(kWorldUsage, stdout);
      if (request.action == Request::Action::kHelp) std::fputs(kOptionsHelp, stdout);
      return 0;
    case Request::Action::kMerge: {
      const WorldResult result = mergeWorld(request.merge);
      if (json) {
        printJson(resultJson(result, request));
      } else {
        printSummary(result);
      }
      return 0;
    }
    case Request::Action::kBuild:
      break;
  }
  const CommandLine& line = request.quorvel;
  request.world.settings = parseSettings(line.settingsArgumentCount, line.settingsArguments);
  if (!json) printSettings(request.world.settings);
  checkFiniteSettings(line.settingsArgumentCount, line.settingsArguments);
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
  const WorldResult result = buildWorld(request.world);
  if (json) {
    printJson(resultJson(result, request));
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
    return printRefusal(usage.line + "\n", kWorldUsage, request.json, kUsageError);
  } catch (const Failure& failure) {
    return printRefusal(failure.what(), failure.hint(), request.json, failure.exitCode());
  } catch (const Error& error) {
    return printRefusal(error.what(), error.hint(), request.json, 1);
  } catch (const std::exception& error) {
    return printRefusal("erreur: " + escapeControls(error.what()), {}, request.json, 1);
  }
}

}  // namespace quorvel
