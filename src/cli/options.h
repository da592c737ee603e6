#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "quorvel/types.h"

namespace quorvel {

// The programs that share the option table: quorvel compiles one map, quorvel-world a world
// of tiles.
enum class Program { kCompiler, kWorld };

// What the arguments ask for. Options come only before the prefix; everything from the
// prefix on is positional, as it always was.
struct CommandLine {
  enum class Action { kUsage, kHelp, kVersion, kRun, kMerge };
  Action action = Action::kUsage;
  ImageFiles files;   // the prefix, the extension and the files named outright
  bool json = false;  // one JSON object on standard output instead of the text lines
  // The prefix and the numbers after it, laid out as a command line whose argument 1 is
  // the prefix, for the settings parser; they point into the arguments parsed.
  std::vector<const char*> settingsArguments;
  std::string prefix;
  bool strict = false;         // settings typed wrong are errors, not warnings
  bool trustedInputs = false;  // GDAL may open VRT files and network names
  BakedLight baked;            // --sky, --shadows, --sun-size

  // quorvel-world's own.
  std::string outdir;             // after the prefix
  std::int32_t tileSize = 5001;   // --tile
  int jobs = 0;                   // --jobs; 0: one per processor
  std::int32_t shardIndex = 0;    // --shard K/N
  std::int32_t shardCount = 1;
  std::string stage;              // --stage: "horizons", "tiles", or empty for both
  std::string merge;              // --merge OUTDIR/BASE
  bool verify = false;            // --verify
};

// The options of program, from the one table both programs read. Throws a Failure for an
// unknown option or an option without its value ("erreur: option inconnue --x"), one with
// the usage exit code for a value that cannot be followed, and for the world a prefix without
// its output directory or an output directory that looks like an option.
[[nodiscard]] CommandLine parseCommandLine(Program program, int argumentCount,
                                           const char* const* arguments);

// The lines --help prints under the usage line.
[[nodiscard]] std::string optionsHelp(Program program);

}  // namespace quorvel
