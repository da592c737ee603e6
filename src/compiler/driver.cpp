#include "compiler/driver.h"

#include <cstdio>
#include <string>

#include "compiler/settings.h"
#include "failure.h"
#include "image/texture_cache.h"
#include "map/map_writer.h"
#include "version.h"

namespace quorvel {
namespace {

// Each image's depth is checked as soon as it is loaded, so no later file is opened after a
// wrong one.
const Texture& loadImage(const std::string& prefix, const char* suffix, int bitsPerPixel) {
  const std::string fileName = prefix + suffix;
  const Texture& texture = loadTexture(fileName);
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

  const std::string prefix = arguments[1];
  const Texture& alt = loadImage(prefix, "alt.bmp", 8);
  const Texture& difMat = loadImage(prefix, "DifMat.bmp", 24);
  const Texture& ambMat = loadImage(prefix, "AmbMat.bmp", 24);
  const Texture& difLight = loadImage(prefix, "DifLight.bmp", 24);
  const Texture& ambLight = loadImage(prefix, "AmbLight.bmp", 24);
  writeMap(prefix, Terrain{alt, difMat, ambMat, difLight, ambLight, settings});
  return 0;
}

}  // namespace quorvel
