#include "compiler/driver.h"

#include <cstdio>
#include <string>

#include "compiler/settings.h"
#include "failure.h"
#include "image/texture_cache.h"
#include "map/map_size.h"
#include "map/map_writer.h"
#include "version.h"

namespace quorvel {
namespace {

// Each image's depth is checked as soon as it is loaded, so no later file is opened after a
// wrong one.
const Texture& loadImage(const std::string& prefix, const char* suffix, int bitsPerPixel,
                         const KeepWindow& keep) {
  const std::string fileName = prefix + suffix;
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
  const std::string first = argumentCount < 2 ? "" : arguments[1];
  if (first == "--version") return 0;
  if (argumentCount < 2 || first == "--help") {
    std::printf("usage: quorvel prefix [x y z light direction] [z scale factor] [sea level]\n");
    return 0;
  }
  const Settings settings = parseSettings(argumentCount, arguments);
  printSettings(settings);
  checkFiniteSettings(argumentCount, arguments);

  const std::string prefix = arguments[1];
  // The altitude image decides how much of each image is kept: memory follows the map, not
  // what the headers claim.
  const Texture& alt = loadImage(prefix, "alt.bmp", 8, altitudeKeepWindow());
  const KeepWindow colour = colourKeepWindow(alt);
  const Texture& difMat = loadImage(prefix, "DifMat.bmp", 24, colour);
  const Texture& ambMat = loadImage(prefix, "AmbMat.bmp", 24, colour);
  const Texture& difLight = loadImage(prefix, "DifLight.bmp", 24, colour);
  const Texture& ambLight = loadImage(prefix, "AmbLight.bmp", 24, colour);
  writeMap(prefix, Terrain{alt, difMat, ambMat, difLight, ambLight, settings});
  return 0;
}

}  // namespace quorvel
