#include "cli/settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cli/json_output.h"
#include "failure.h"
#include "math/vector3.h"

namespace quorvel {
namespace {

// Decimal conversion to double, then one rounding to float; nothing is reported.
float number(const char* text) { return roundToFloat(std::strtod(text, nullptr)); }

bool wholeNumber(const char* text) {
  char* end = nullptr;
  std::strtod(text, &end);
  return end != text && *end == '\0';
}

bool looksLikeOption(std::string_view text) { return text.starts_with("--"); }

// "7 8", and whether any of them looks like an option.
std::string joined(const char* const* first, const char* const* last, bool& option) {
  std::string text;
  for (const char* const* argument = first; argument != last; ++argument) {
    text += (text.empty() ? "" : " ") + std::string(*argument);
    option = option || looksLikeOption(*argument);
  }
  return text;
}

}  // namespace

std::vector<std::string> settingsWarnings(int argumentCount, const char* const* arguments) {
  constexpr const char* kRoles[] = {"light x", "light y", "light z", "z scale factor", "sea level"};
  constexpr const char* kBeforePrefix = "; options come before the prefix";
  std::vector<std::string> lines;
  const int numbers = argumentCount - 2;  // after the prefix
  bool option = false;
  if (numbers == 1 || numbers == 2) {
    const std::string ignored = joined(arguments + 2, arguments + argumentCount, option);
    lines.push_back(ignored + ": a light direction takes three numbers, so " +
                    (numbers == 1 ? "this one is" : "these two are") + " ignored" +
                    (option ? kBeforePrefix : "") + "\n");
    return lines;
  }
  for (int i = 2; i < argumentCount && i < 7; ++i) {
    if (wholeNumber(arguments[i])) continue;
    char value[64];
    std::snprintf(value, sizeof value, "%f", double{number(arguments[i])});
    lines.push_back(std::string(arguments[i]) + ": not wholly a number, read as " + value +
                    " for the " + kRoles[i - 2] +
                    (looksLikeOption(arguments[i]) ? kBeforePrefix : "") + "\n");
  }
  if (numbers > 5) {
    const std::string ignored = joined(arguments + 7, arguments + argumentCount, option);
    lines.push_back(ignored + ": more than five numbers after the prefix, so " +
                    (numbers == 6 ? "this one is" : "these are") + " ignored" +
                    (option ? kBeforePrefix : "") + "\n");
  }
  return lines;
}

Settings parseSettings(int argumentCount, const char* const* arguments) {
  Settings settings;
  const int n = argumentCount - 1;
  if (n >= 4) {
    settings.lightDirection.x = number(arguments[2]);
    settings.lightDirection.y = number(arguments[3]);
    settings.lightDirection.z = number(arguments[4]);
  }
  if (n >= 5) settings.zScaleFactor = number(arguments[5]);
  if (n >= 6) settings.seaLevel = number(arguments[6]);
  return settings;
}

bool refuseSettingsWarnings(const std::vector<std::string>& warnings, bool strict, bool json) {
  if (!json) {
    for (const std::string& warning : warnings) std::fputs(warning.c_str(), stderr);
  }
  if (!strict || warnings.empty()) return false;
  if (json) {
    std::string lines;
    for (const std::string& warning : warnings) lines += warning;
    lines.pop_back();
    printJson(errorObject(lines, kUsageExitCode, ErrorKind::kUsage));
  }
  return true;
}

void printSettings(const Settings& settings) {
  std::printf("light direction= %f %f %f\n", double{settings.lightDirection.x},
              double{settings.lightDirection.y}, double{settings.lightDirection.z});
  std::printf("z scale factor= %f\n", double{settings.zScaleFactor});
  std::printf("sea Level=%f\n", double{settings.seaLevel});
}

void checkFiniteSettings(int argumentCount, const char* const* arguments) {
  // The arguments that parseSettings takes: a light direction only as three numbers.
  const int n = argumentCount - 1;
  const int last = n >= 6 ? 6 : n >= 4 ? n : 1;
  for (int i = 2; i <= last; ++i) {
    if (!std::isfinite(number(arguments[i]))) {
      throw Failure(ErrorKind::kUsage,
                    "erreur: " + std::string(arguments[i]) + " n'est pas un nombre fini\n",
                    std::string(arguments[i]) +
                        " is infinite or not a number as a 32-bit float; the settings must be "
                        "finite, at most about 3.4e38 in size\n");
    }
  }
}

}  // namespace quorvel
