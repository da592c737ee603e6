#include "cli/options.h"

#include <cerrno>
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

// Which programs take an option.
constexpr unsigned kCompiler = 1;
constexpr unsigned kWorld = 2;
constexpr unsigned kBoth = kCompiler | kWorld;

enum class OptionId {
  kTile, kJobs, kShard, kStage, kMerge, kVerify, kAlt, kDifMat, kAmbMat, kDifLight, kAmbLight, kExt,
  kStrict, kSky, kShadows, kSunSize, kJson, kTrustedInputs, kEnd, kHelp, kVersion
};

struct OptionSpec {
  OptionId id;
  std::string_view name;      // --sky also stands for --sky=K, --sun-size for --sun-size=DEG
  std::string_view synopsis;  // the help's first column
  bool takesValue;            // as the next argument
  unsigned programs;
  std::string_view help;  // a line feed starts a line under the first
};

// Every option of both programs, in the order --help lists them.
constexpr OptionSpec kOptions[] = {
    {OptionId::kTile, "--tile", "--tile T", true, kWorld,
     "tile size in pixels, 50 n + 1 from 51 to 5001 (default: 5001)"},
    {OptionId::kJobs, "--jobs", "--jobs N", true, kWorld,
     "threads building tiles (default: one per processor)"},
    {OptionId::kShard, "--shard", "--shard K/N", true, kWorld,
     "build only tiles whose number is K modulo N, and record them in\n"
     "outdir/base.shard-K-of-N.json for --merge"},
    {OptionId::kStage, "--stage", "--stage S", true, kWorld,
     "with --sky or --shadows, build only the horizons (S: horizons) that\n"
     "every tile hands on, or only the tiles (S: tiles), once every tile's\n"
     "horizons are built; without it, one run does both"},
    {OptionId::kMerge, "--merge", "--merge OUT/BASE", true, kWorld,
     "write OUT/BASE.world.json from the records of every shard"},
    {OptionId::kVerify, "--verify", "--verify", false, kWorld,
     "re-hash every tile and re-read every input, even those whose file is\n"
     "unchanged since it was recorded"},
    {OptionId::kAlt, "--alt", "--alt FILE", true, kBoth,
     "altitude image (default: prefix + \"alt.\" + EXT)"},
    {OptionId::kDifMat, "--difmat", "--difmat FILE", true, kBoth,
     "diffuse material colours (default: prefix + \"DifMat.\" + EXT)"},
    {OptionId::kAmbMat, "--ambmat", "--ambmat FILE", true, kBoth,
     "ambient material colours (default: prefix + \"AmbMat.\" + EXT)"},
    {OptionId::kDifLight, "--diflight", "--diflight FILE", true, kBoth,
     "diffuse light colours (default: prefix + \"DifLight.\" + EXT)"},
    {OptionId::kAmbLight, "--amblight", "--amblight FILE", true, kBoth,
     "ambient light colours (default: prefix + \"AmbLight.\" + EXT)"},
    {OptionId::kExt, "--ext", "--ext EXT", true, kBoth,
     "extension of the default names (default: bmp)"},
    {OptionId::kStrict, "--strict", "--strict", false, kBoth,
     "settings typed wrong are errors (exit 2), not warnings"},
    {OptionId::kSky, "--sky", "--sky[=8|16]", false, kBoth,
     "ambient light scaled by the sky each vertex sees (default 16\ndirections)"},
    {OptionId::kShadows, "--shadows", "--shadows", false, kBoth,
     "diffuse light shadowed by the terrain toward the light direction"},
    {OptionId::kSunSize, "--sun-size", "--sun-size DEG", false, kBoth,
     "the sun's diameter in degrees, for --shadows' penumbra (default\n0.53)"},
    {OptionId::kJson, "--json", "--json", false, kBoth,
     "one JSON object on standard output instead of the text lines"},
    {OptionId::kTrustedInputs, "--trusted-inputs", "--trusted-inputs", false, kBoth,
     "let GDAL read VRT files and network names (for files you vouch for)"},
    {OptionId::kEnd, "--", "--", false, kBoth,
     "ends the options (for a prefix that begins with --)"},
    {OptionId::kHelp, "--help", "--help", false, kBoth, "this text"},
    {OptionId::kVersion, "--version", "--version", false, kBoth, "the banner only"},
};

constexpr unsigned maskOf(Program program) {
  return program == Program::kCompiler ? kCompiler : kWorld;
}

// The option named by argument for program, or none.
const OptionSpec* findOption(Program program, std::string_view argument) {
  for (const OptionSpec& entry : kOptions) {
    if ((entry.programs & maskOf(program)) == 0) continue;
    const bool withValue = (entry.id == OptionId::kSky || entry.id == OptionId::kSunSize) &&
                           argument.starts_with(std::string(entry.name) + "=");
    if (argument == entry.name || withValue) return &entry;
  }
  return nullptr;
}

// The image file an option names.
std::optional<std::string> ImageFiles::*imageFileOf(OptionId id) {
  switch (id) {
    case OptionId::kAlt:
      return &ImageFiles::alt;
    case OptionId::kDifMat:
      return &ImageFiles::difmat;
    case OptionId::kAmbMat:
      return &ImageFiles::ambmat;
    case OptionId::kDifLight:
      return &ImageFiles::diflight;
    case OptionId::kAmbLight:
      return &ImageFiles::amblight;
    default:
      return nullptr;
  }
}

Failure worldUsage(const std::string& line) {
  return Failure(ErrorKind::kUsage, "quorvel-world: " + line + "\n", {}, kUsageExitCode);
}

// A whole number from min to max, all of text.
bool wholeNumber(const std::string& text, long long min, long long max, long long& value) {
  char* end = nullptr;
  errno = 0;
  value = std::strtoll(text.c_str(), &end, 10);
  return !text.empty() && end != text.c_str() && *end == '\0' && errno == 0 && value >= min &&
         value <= max;
}

// Takes the value of one of the world's own options.
void takeWorldOption(OptionId id, const std::string& text, CommandLine& line) {
  long long number = 0;
  if (id == OptionId::kTile) {
    if (!wholeNumber(text, 51, 5001, number) || (number - 1) % 50 != 0) {
      throw worldUsage("--tile needs a size of 50 n + 1 pixels from 51 to 5001, not " + text);
    }
    line.tileSize = static_cast<std::int32_t>(number);
  } else if (id == OptionId::kJobs) {
    if (!wholeNumber(text, 1, 4096, number)) {
      throw worldUsage("--jobs needs a whole number from 1 to 4096, not " + text);
    }
    line.jobs = static_cast<int>(number);
  } else if (id == OptionId::kShard) {
    const std::size_t slash = text.find('/');
    long long count = 0;
    if (slash == std::string::npos || !wholeNumber(text.substr(slash + 1), 1, 1000000, count) ||
        !wholeNumber(text.substr(0, slash), 0, count - 1, number)) {
      throw worldUsage("--shard needs K/N with 0 <= K < N, not " + text);
    }
    line.shardIndex = static_cast<std::int32_t>(number);
    line.shardCount = static_cast<std::int32_t>(count);
  } else if (id == OptionId::kStage) {
    if (text != "horizons" && text != "tiles") {
      throw worldUsage("--stage needs horizons or tiles, not " + text);
    }
    line.stage = text;
  } else if (id == OptionId::kMerge) {
    line.merge = text;
    line.action = CommandLine::Action::kMerge;
  }
}

// Only words that begin with "--" are options, so every prefix that worked before, "-x"
// included, still names the same files.
bool isOption(std::string_view argument) {
  return argument.size() >= 2 && argument.substr(0, 2) == "--";
}

Failure lightOptionFailure(const std::string& line, const std::string& hint) {
  return Failure(ErrorKind::kUsage, "erreur: " + line + "\n", hint + "\n", kUsageExitCode);
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

CommandLine parseCommandLine(Program program, int argumentCount, const char* const* arguments) {
  CommandLine line;
  bool sunSizeGiven = false;
  bool endOfOptions = false;
  int next = 1;
  for (; next < argumentCount && isOption(arguments[next]); ++next) {
    const std::string_view option = arguments[next];
    const OptionSpec* entry = findOption(program, option);
    if (entry == nullptr)
      throw Failure(ErrorKind::kUsage, "erreur: option inconnue " + std::string(option) + "\n");
    switch (entry->id) {
      case OptionId::kEnd:
        ++next;  // what follows is the prefix, even when it begins with "--"
        endOfOptions = true;
        break;
      case OptionId::kHelp:
        line.action = CommandLine::Action::kHelp;
        return line;
      case OptionId::kVersion:
        line.action = CommandLine::Action::kVersion;
        return line;
      case OptionId::kStrict:
        line.strict = true;
        continue;
      case OptionId::kJson:
        line.json = true;
        continue;
      case OptionId::kTrustedInputs:
        line.trustedInputs = true;
        continue;
      case OptionId::kVerify:
        line.verify = true;
        continue;
      case OptionId::kSky:
      case OptionId::kShadows:
      case OptionId::kSunSize:
        takeLightOption(option, argumentCount, arguments, next, line.baked, sunSizeGiven);
        continue;
      default:
        break;
    }
    if (endOfOptions) break;
    if (next + 1 >= argumentCount) {
      if (entry->programs == kWorld) throw worldUsage(std::string(option) + " needs a value");
      throw Failure(ErrorKind::kUsage,
                    "erreur: l'option " + std::string(option) + " demande une valeur\n");
    }
    const std::string value = arguments[++next];
    if (entry->id == OptionId::kExt) {
      line.files.ext = value;
    } else if (const auto file = imageFileOf(entry->id)) {
      line.files.*file = value;
    } else {
      takeWorldOption(entry->id, value, line);
    }
  }
  if (sunSizeGiven && !line.baked.shadows) {
    throw lightOptionFailure("--sun-size sans --shadows",
                             "--sun-size sets the penumbra of --shadows: give --shadows too");
  }
  const int positional = argumentCount - next;
  if (line.action == CommandLine::Action::kMerge) {
    if (positional > 0 || line.shardCount > 1) throw worldUsage("--merge takes outdir/base only");
    return line;
  }
  if (program == Program::kCompiler) {
    if (positional <= 0) return line;  // no prefix: the usage line
  } else {
    if (positional <= 0 && !endOfOptions) return line;
    if (positional < 2) throw worldUsage("give the prefix and the output directory");
    line.outdir = arguments[next + 1];
    // An option written after the prefix would otherwise name the directory the whole world
    // is written to.
    if (line.outdir.starts_with("--")) {
      throw worldUsage("options come before the prefix, so " + line.outdir +
                       " is not an output directory (write ./" + line.outdir +
                       " for a directory of that name)");
    }
  }
  line.action = CommandLine::Action::kRun;
  line.prefix = arguments[next];
  line.files.prefix = line.prefix;
  line.settingsArguments = {arguments[0], arguments[next]};
  const int numbers = next + (program == Program::kWorld ? 2 : 1);
  for (int i = numbers; i < argumentCount; ++i) line.settingsArguments.push_back(arguments[i]);
  return line;
}

std::string optionsHelp(Program program) {
  constexpr std::size_t kColumn = 17;  // the help text's, after two spaces
  std::string text = "options, only before the prefix:\n";
  for (const OptionSpec& entry : kOptions) {
    if ((entry.programs & maskOf(program)) == 0) continue;
    text += "  " + std::string(entry.synopsis);
    text += std::string(entry.synopsis.size() < kColumn ? kColumn - entry.synopsis.size() : 1, ' ');
    for (const char c : entry.help) {
      text += c;
      if (c == '\n') text += std::string(2 + kColumn, ' ');
    }
    text += '\n';
  }
  return text +
         "A name ending in .bmp is read as a BMP; any other through GDAL (PNG, GeoTIFF, SRTM\n"
         ".hgt, ...), from local files only unless --trusted-inputs is given.\n";
}

}  // namespace quorvel
