#pragma once

#include <string>
#include <vector>

#include "quorvel/types.h"

namespace quorvel {

// The settings given by the arguments after the prefix: a light direction only as three
// numbers, then the z scale factor, then the sea level. Text that is not a number reads as 0.
[[nodiscard]] Settings parseSettings(int argumentCount, const char* const* arguments);

// One standard-error line for each setting typed wrong, in argument order: a number that is
// not wholly a number (parseSettings reads as much as parses, "0,5" as 0, an option after the
// prefix as 0), one or two numbers after the prefix, which give no light direction and are
// ignored, and numbers after the sea level, also ignored.
[[nodiscard]] std::vector<std::string> settingsWarnings(int argumentCount,
                                                        const char* const* arguments);

// Tells the settings typed wrong, warnings as settingsWarnings gives them: each on standard
// error, unless json (the caller puts them among its notes). With strict they refuse the run:
// printed as the JSON refusal when json, and true is returned, for an exit with the usage
// code before anything is read or written.
[[nodiscard]] bool refuseSettingsWarnings(const std::vector<std::string>& warnings, bool strict,
                                          bool json);

// Prints the three settings lines, the light direction as given.
void printSettings(const Settings& settings);

// Throws a Failure naming the first setting argument, in argument order, whose value is
// infinite or not a number: such a value would reach the map as NaNs and infinities.
void checkFiniteSettings(int argumentCount, const char* const* arguments);

}  // namespace quorvel
