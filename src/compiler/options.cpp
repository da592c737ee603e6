#include "compiler/options.h"

#include <array>
#include <cctype>
#include <cmath>
#include <cstddef>
#include <cstdlib>
#include <optional>
#include <string>
#include <string_view>

#include "failure.h"

namespace quorvel {
namespace {

struct ImageOption {
  std::string_view name;
  std::optional<std::string> ImageFiles::*file;
};

constexpr std::array<ImageOption, 5> kImageOptions{{
    {"--alt", &ImageFiles::alt},
    {"--difmat", &ImageFiles::difmat},
    {"--ambmat", &ImageFiles::ambmat},
    {"--diflight", &ImageFiles::diflight},
    {"--amblight", &ImageFiles::amblight},
}};

// Only words that begin with "--" are options, so every prefix that worked before, "-x"
// included, still names the same files.
bool isOption(std::string_view argument) {
  return argument.size() >= 2 && argument.substr(0, 2) == "--";
}

Failure lightOptionFailure(const std::string& line, const std::string& hint) {
  return Failure("erreur: " + line + "\n", hint + "\n", kUsageExitCode);
}

// The sun's diameter in degrees: the whole text must be a finite number above 0.
double sunDiameter(const char* text) {
  char* end = nullptr;
  const double degrees = std::strtod(text, &end);
  const bool whole = *text != '\0' && std::isspace(static_cast<unsigned char>(*text)) == 0 &&
                     *end == '\0';
  if (!whole || !std::isfinite(degrees) || !(degrees > 0.0)) {
    throw lightOptionFailure("valeur incorrecte pour --sun-size: " + std::string(text),
                             "--sun-size takes the sun's diameter in degrees, a finite number "
                             "above 0 (default 0.53)");
  }
  return degrees;
}

// Takes --sky, --sky=K, --shadows, --sun-size DEG and --sun-size=DEG into baked; false for
// any other option. next moves past a value given as the next argument.
bool takeLightOption(std::string_view option, int argumentCount, const char* const* arguments,
                     int& next, BakedLight& baked, bool& sunSizeGiven) {
  if (option == "--sky" || option == "--sky=16") {
    baked.skyDirections = 16;
  } else if (option == "--sky=8") {
    baked.skyDirections = 8;
  } else if (option.starts_with("--sky=")) {
    throw lightOptionFailure("valeur incorrecte pour --sky: " + std::string(option.substr(6)),
                             "--sky takes 8 or 16 directions (--sky alone is --sky=16)");
  } else if (option == "--shadows") {
    baked.shadows = true;
  } else if (option == "--sun-size") {
    if (next + 1 >= argumentCount) {
      throw lightOptionFailure("l'option --sun-size demande une valeur",
                               "--sun-size takes the sun's diameter in degrees");
    }
    baked.sunDiameter = sunDiameter(arguments[++next]);
    sunSizeGiven = true;
  } else if (option.starts_with("--sun-size=")) {
    baked.sunDiameter = sunDiameter(arguments[next] + 11);
    sunSizeGiven = true;
  } else {
    return false;
  }
  return true;
}

}  // namespace

CommandLine parseCommandLine(int argumentCount, const char* const* arguments) {
  CommandLine line;
  bool sunSizeGiven = false;
  int next = 1;
  for (; next < argumentCount && isOption(arguments[next]); ++next) {
    const std::string_view option = arguments[next];
    if (option == "--") {
      ++next;  // what follows is the prefix, even when it begins with "--"
      break;
    }
    if (option == "--help") {
      line.action = CommandLine::Action::kHelp;
      return line;
    }
    if (option == "--version") {
      line.action = CommandLine::Action::kVersion;
      return line;
    }
    if (option == "--strict") {
      line.strict = true;
      continue;
    }
    if (option == "--json") {
      line.json = true;
      continue;
    }
    if (option == "--trusted-inputs") {
      line.trustedInputs = true;
      continue;
    }
    if (takeLightOption(option, argumentCount, arguments, next, line.baked, sunSizeGiven)) {
      continue;
    }
    std::size_t role = 0;
    while (role < kImageOptions.size() && kImageOptions[role].name != option) ++role;
    if (role == kImageOptions.size() && option != "--ext") {
      throw Failure("erreur: option inconnue " + std::string(option) + "\n");
    }
    if (next + 1 >= argumentCount) {
      throw Failure("erreur: l'option " + std::string(option) + " demande une valeur\n");
    }
    const std::string value = arguments[++next];
    if (role == kImageOptions.size()) {
      line.files.ext = value;
    } else {
      line.files.*kImageOptions[role].file = value;
    }
  }
  if (sunSizeGiven && !line.baked.shadows) {
    throw lightOptionFailure("--sun-size sans --shadows",
                             "--sun-size sets the penumbra of --shadows: give --shadows too");
  }
  if (next >= argumentCount) return line;  // no prefix: the usage line

  line.action = CommandLine::Action::kRun;
  line.prefix = arguments[next];
  line.files.prefix = line.prefix;
  line.settingsArgumentCount = argumentCount - (next - 1);
  line.settingsArguments = arguments + (next - 1);
  return line;
}

const char* optionsHelp() {
  return "options, only before the prefix:\n"
         "  --alt FILE       altitude image (default: prefix + \"alt.\" + EXT)\n"
         "  --difmat FILE    diffuse material colours (default: prefix + \"DifMat.\" + EXT)\n"
         "  --ambmat FILE    ambient material colours (default: prefix + \"AmbMat.\" + EXT)\n"
         "  --diflight FILE  diffuse light colours (default: prefix + \"DifLight.\" + EXT)\n"
         "  --amblight FILE  ambient light colours (default: prefix + \"AmbLight.\" + EXT)\n"
         "  --ext EXT        extension of the default names (default: bmp)\n"
         "  --strict         settings typed wrong are errors (exit 2), not warnings\n"
         "  --sky[=8|16]     ambient light scaled by the sky each vertex sees (default 16\n"
         "                   directions)\n"
         "  --shadows        diffuse light shadowed by the terrain toward the light direction\n"
         "  --sun-size DEG   the sun's diameter in degrees, for --shadows' penumbra (default\n"
         "                   0.53)\n"
         "  --json           one JSON object on standard output instead of the text lines\n"
         "  --trusted-inputs let GDAL read VRT files and network names (for files you vouch"
         " for)\n"
         "  --               ends the options (for a prefix that begins with --)\n"
         "  --help           this text\n"
         "  --version        the banner only\n"
         "A name ending in .bmp is read as a BMP; any other through GDAL (PNG, GeoTIFF, SRTM\n"
         ".hgt, ...), from local files only unless --trusted-inputs is given.\n";
}

}  // namespace quorvel
