#include "compiler/driver.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <system_error>
#include <vector>

#include "compiler/options.h"
#include "compiler/settings.h"
#include "failure.h"
#include "image/pixel_buffer.h"
#include "image/raster_reader.h"
#include "image/texture_cache.h"
#include "map/map_format.h"
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

// The colour BMPs' memory is made ready on another core while the altitude image loads
// (through GDAL, that core would otherwise wait for the library to load). Sized from the
// files themselves, which opens none of them (a named pipe is read once, in its turn): at
// most what a file holds, and at most a colour image of the largest map. One buffer a
// distinct file, as a file named twice is loaded once; a load that keeps less gives the
// rest back.
void prepareColourBuffers(const std::array<std::string, kImageRoles>& names) {
  constexpr auto kSide = static_cast<std::uintmax_t>(kMaxBlocFiles * kBlocFilePixels + 1);
  std::vector<PreparedFile> files;
  for (std::size_t role = 1; role < names.size(); ++role) {
    const std::string& name = names[role];
    const auto known = [&](const PreparedFile& file) { return file.fileName == name; };
    if (name == names[0] || !isBmpName(name) || std::any_of(files.begin(), files.end(), known)) {
      continue;
    }
    std::error_code error;
    const std::filesystem::file_status status = std::filesystem::status(name, error);
    if (error || !std::filesystem::is_regular_file(status)) continue;
    const std::uintmax_t bytes = std::filesystem::file_size(name, error);
    if (error) continue;
    files.push_back({name, static_cast<std::size_t>(std::min(bytes, kSide * kSide * 3))});
  }
  preparePixelBuffers(std::move(files));
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
  Settings settings = parseSettings(line.settingsArgumentCount, line.settingsArguments);
  settings.baked = line.baked;
  printSettings(settings);
  checkFiniteSettings(line.settingsArgumentCount, line.settingsArguments);

  // The altitude image decides how much of each image is kept: memory follows the map, not
  // what the headers claim.
  const auto& names = line.imageNames;
  prepareColourBuffers(names);
  const Texture& alt = loadImage(names[0], RasterKind::kAltitude, altitudeKeepWindow());
  const KeepWindow colour = colourKeepWindow(alt);
  if (colour.columns == 0) preparePixelBuffers({});  // no map: no colour pixel is kept
  const Texture& difMat = loadImage(names[1], RasterKind::kColour, colour);
  const Texture& ambMat = loadImage(names[2], RasterKind::kColour, colour);
  const Texture& difLight = loadImage(names[3], RasterKind::kColour, colour);
  const Texture& ambLight = loadImage(names[4], RasterKind::kColour, colour);
  writeMap(line.prefix, Terrain{alt, difMat, ambMat, difLight, ambLight, settings});
  return 0;
}

}  // namespace quorvel
