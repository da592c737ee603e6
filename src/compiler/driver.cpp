#include "compiler/driver.h"

#include <cstdio>
#include <string>
#include <vector>

#include "compiler/options.h"
#include "compiler/settings.h"
#include "image/image_loader.h"
#include "map/map_size.h"
#include "map/map_writer.h"
#include "version.h"

namespace quorvel {

int runDriver(int argumentCount, const char* const* arguments) {
  std::printf("quorvel %s\n", kVersion);
  const CommandLine line = parseCommandLine(argumentCount, arguments);
  switch (line.action) {
    case CommandLine::Action::kVersion:
      return 0;
    case CommandLine::Action::kUsage:
    case CommandLine::Action::kHelp:
      std::printf("usage: quorvel prefix [x y z light direction] [z scale factor] [sea level]\n");
      if (line.action == CommandLine::Action::kHelp) std::fputs(optionsHelp(), stdout);
      return 0;
    case CommandLine::Action::kRun:
      break;
  }
  // Settings typed wrong are told on standard error; with --strict they stop the run before
  // anything is read or written.
  const std::vector<std::string> warnings =
      settingsWarnings(line.settingsArgumentCount, line.settingsArguments);
  for (const std::string& warning : warnings) std::fputs(warning.c_str(), stderr);
  if (line.strict && !warnings.empty()) return 2;
  const Settings settings = parseSettings(line.settingsArgumentCount, line.settingsArguments);
  printSettings(settings);
  checkFiniteSettings(line.settingsArgumentCount, line.settingsArguments);

  // The altitude image decides how much of each image is kept: memory follows the map, not
  // what the headers claim.
  ImageLoader loader;
  const TerrainTextures images =
      loader.loadTerrain(line.imageNames, KeepRule{altitudeKeepWindow(), colourKeepWindow});
  writeMap(line.prefix,
           Terrain{*images[0], *images[1], *images[2], *images[3], *images[4], settings});
  return 0;
}

}  // namespace quorvel
