#include "compiler/settings.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "failure.h"
#include "math/vector3.h"

namespace quorvel {
namespace {

// Decimal conversion to double, then one rounding to float; nothing is reported.
float number(const char* text) { return roundToFloat(std::strtod(text, nullptr)); }

}  // namespace

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
      throw Failure("erreur: " + std::string(arguments[i]) + " n'est pas un nombre fini\n",
                    std::string(arguments[i]) +
                        " is infinite or not a number as a 32-bit float; the settings must be "
                        "finite, at most about 3.4e38 in size\n");
    }
  }
}

}  // namespace quorvel
