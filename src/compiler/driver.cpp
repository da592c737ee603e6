#include "compiler/driver.h"

#include <cstdint>
#include <cstdio>
#include <set>
#include <string>

#include "compiler/options.h"
#include "compiler/settings.h"
#include "failure.h"
#include "image/pixel_buffer.h"
#include "image/raster_reader.h"
#include "image/texture_cache.h"
#include "map/map_size.h"
#include "map/map_writer.h"
#include "version.h"

namespace quorvel {
namespace {

// Each image is checked as soon as it is loaded, so no later file is opened after a wrong
// one. BMPs keep their reader and its depth messages; other files are read through GDAL,
// which refuses what cannot be an altitude or colour image itself.
const Texture& loadImage(const std::string& fileName, RasterKind kind, const KeepWindow& keep) {
  if (!isBmpName(fileName)) return loadRaster(fileName, kind, keep);
  const int bitsPerPixel = kind == RasterKind::kAltitude ? 8 : 24;
  const Texture& texture = loadTexture(fileName, keep);
  if (texture.bitsPerPixel != bitsPerPixel) {
    throw Failure("erreur: " + fileName + " n'est pas un bmp " + std::to_string(bitsPerPixel) +
                  "bit\n");
  }
  return texture;
}

}  // namespace

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
  const auto& names = line.imageNames;
  KeepWindow altitudeWindow = altitudeKeepWindow();
  // Once alt's size is known, the colour images' memory is made ready on another core while
  // alt's pixels are read: each keeps at most alt's pixels. One buffer a distinct file, as a
  // file named twice is loaded once.
  altitudeWindow.whenSized = [names](std::int32_t width, std::int32_t height) {
    if (!mapSizeFits(width, height)) return;
    std::set<std::string> colourFiles(names.begin() + 1, names.end());
    colourFiles.erase(names[0]);
    preparePixelBuffers(static_cast<int>(colourFiles.size()),
                        static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
  };
  const Texture& alt = loadImage(names[0], RasterKind::kAltitude, altitudeWindow);
  const KeepWindow colour = colourKeepWindow(alt);
  const Texture& difMat = loadImage(names[1], RasterKind::kColour, colour);
  const Texture& ambMat = loadImage(names[2], RasterKind::kColour, colour);
  const Texture& difLight = loadImage(names[3], RasterKind::kColour, colour);
  const Texture& ambLight = loadImage(names[4], RasterKind::kColour, colour);
  writeMap(line.prefix, Terrain{alt, difMat, ambMat, difLight, ambLight, settings});
  return 0;
}

}  // namespace quorvel
