#include "compiler/settings.h"

#include <cstdio>
#include <cstdlib>

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

}  // namespace quorvel
