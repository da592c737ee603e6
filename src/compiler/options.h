#pragma once

#include <array>
#include <string>

#include "quorvel/types.h"

namespace quorvel {

// What the arguments ask for. Options come only before the prefix; everything from the
// prefix on is positional, as it always was.
struct CommandLine {
  enum class Action { kUsage, kHelp, kVersion, kRun };
  Action action = Action::kUsage;
  ImageFiles files;   // the prefix, the extension and the files named outright
  bool json = false;  // one JSON object on standard output instead of the text lines
  // The prefix and the numbers after it, laid out as a command line whose argument 1 is
  // the prefix, for the settings parser.
  int settingsArgumentCount = 0;
  const char* const* settingsArguments = nullptr;
  std::string prefix;
  bool strict = false;  // settings typed wrong are errors, not warnings
  bool trustedInputs = false;  // GDAL may open VRT files and network names
  BakedLight baked;            // --sky, --shadows, --sun-size
};

// Throws a Failure for an unknown option or an option without its value, and one with the
// usage exit code for a light option that cannot be followed.
[[nodiscard]] CommandLine parseCommandLine(int argumentCount, const char* const* arguments);

// The lines --help prints under the usage line.
[[nodiscard]] const char* optionsHelp();

}  // namespace quorvel
