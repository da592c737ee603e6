// Writes the five images of a synthetic terrain for timing the tool on large maps:
//   quorvel_make_terrain side prefix [alt16.tif]
// gives prefixalt.bmp, prefixDifMat.bmp, prefixAmbMat.bmp, prefixDifLight.bmp and
// prefixAmbLight.bmp, side x side pixels each, the same bytes on every run; with a third
// argument also that file, the altitudes as an uncompressed 16-bit TIFF (256 x each byte).

#include <cstdio>
#include <cstdlib>
#include <exception>
#include <string>

#include "terrain_generator.h"

int main(int argc, char** argv) {
  if (argc != 3 && argc != 4) {
    std::fprintf(stderr, "usage: quorvel_make_terrain side prefix [alt16.tif]\n");
    return 2;
  }
  char* end = nullptr;
  const long side = std::strtol(argv[1], &end, 10);
  if (*argv[1] == '\0' || *end != '\0' || side < 1 || side > 20001) {
    std::fprintf(stderr, "quorvel_make_terrain: side must be a whole number from 1 to 20001\n");
    return 2;
  }
  try {
    const quorvel::bench::SyntheticTerrain terrain =
        quorvel::bench::generateTerrain(static_cast<int>(side));
    quorvel::bench::writeTerrain(argv[2], terrain);
    if (argc == 4) quorvel::bench::writeAltitude16Tiff(argv[3], terrain.side, terrain.alt);
  } catch (const std::exception& error) {
    std::fprintf(stderr, "quorvel_make_terrain: %s\n", error.what());
    return 1;
  }
  return 0;
}
