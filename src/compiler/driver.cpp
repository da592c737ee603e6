#include "compiler/driver.h"

#include <cstdio>
#include <string>

#include "compiler/options.h"
#include "compiler/settings.h"
#include "failure.h"
#include "image/raster_reader.h"
#include "image/texture_cache.h"
#include "map/map_format.h"
#include "map/map_writer.h"
#include "version.h"

namespace quorvel {
namespace {

// Each image is checked as soon as it is loaded, so no later file is opened after a wrong
// one. BMPs keep their reader and its depth messages; other files are read through GDAL,
// which refuses what cannot be an altitude or colour image itself.
const Texture& loadImage(const std::string& fileName, RasterKind kind, RasterWindow window) {
  if (!isBmpName(fileName)) return loadRaster(fileName, kind, window);
  const int bitsPerPixel = kind == RasterKind::kAltitude ? 8 : 24;
  const Texture& texture = loadTexture(fileName);
  if (texture.bitsPerPixel != bitsPerPixel) {
    throw Failure("erreur: " + fileName + " n'est pas un bmp " + std::to_string(bitsPerPixel) +
                  "bit\n");
  }
  return texture;
}

// The colour pixels a map can read: alt's, or none when alt is too large for any map.
RasterWindow colourWindow(const Texture& alt) {
  if (alt.pixels.empty()) return {};
  return {alt.width, alt.height};
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

  const auto& names = line.imageNames;
  constexpr std::int32_t kLargestSide = kMaxBlocFiles * kBlocFilePixels + 1;
  const Texture& alt = loadImage(names[0], RasterKind::kAltitude, {kLargestSide, kLargestSide});
  const RasterWindow window = colourWindow(alt);
  const Texture& difMat = loadImage(names[1], RasterKind::kColour, window);
  const Texture& ambMat = loadImage(names[2], RasterKind::kColour, window);
  const Texture& difLight = loadImage(names[3], RasterKind::kColour, window);
  const Texture& ambLight = loadImage(names[4], RasterKind::kColour, window);
  writeMap(line.prefix, Terrain{alt, difMat, ambMat, difLight, ambLight, settings});
  return 0;
}

}  // namespace quorvel
