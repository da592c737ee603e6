#include "compiler/driver.h"

#include <cstdio>
#include <string>

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
  const Settings settings = parseSettings(line.settingsArgumentCount, line.settingsArguments);
  printSettings(settings);
  checkFiniteSettings(line.settingsArgumentCount, line.settingsArguments);

  // The altitude image decides how much of each image is kept: memory follows the map, not
  // what the headers claim.
  ImageLoader loader(line.loaderOptions);
  const TerrainTextures images =
      loader.loadTerrain(line.imageNames, KeepRule{altitudeKeepWindow(), colourKeepWindow});
  writeMap(line.prefix,
           Terrain{*images[0], *images[1], *images[2], *images[3], *images[4], settings});
  return 0;
}

}  // namespace quorvel
