#pragma once

#include <array>
#include <string>

#include "map/terrain.h"

namespace quorvel {

// The five images of a terrain, in the order they are loaded.
enum class ImageRole { kAlt, kDifMat, kAmbMat, kDifLight, kAmbLight };
inline constexpr int kImageRoles = 5;

// What the arguments ask for. Options come only before the prefix; everything from the
// prefix on is positional, as it always was.
struct CommandLine {
  enum class Action { kUsage, kHelp, kVersion, kRun };
  Action action = Action::kUsage;
  std::array<std::string, kImageRoles> imageNames;  // each role's file, in load order
  // The prefix and the numbers after it, laid out as a command line whose argument 1 is
  // the prefix, for the settings parser.
  int settingsArgumentCount = 0;
  const char* const* settingsArguments = nullptr;
  std::string prefix;
  BakedLight baked;  // --sky, --shadows, --sun-size
};

// Throws a Failure for an unknown option or an option without its value, and one with the
// usage exit code for a light option that cannot be followed.
[[nodiscard]] CommandLine parseCommandLine(int argumentCount, const char* const* arguments);

// The lines --help prints under the usage line.
[[nodiscard]] const char* optionsHelp();

}  // namespace quorvel
