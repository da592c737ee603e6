#pragma once

#include <filesystem>
#include <string>
#include <vector>

#include "inspect/gltf_mesh.h"
#include "test_support.h"
#include "tool_process.h"

namespace quorvel::test {

// Runs the built quorvel-inspect with the given arguments in directory cwd; stdin is empty.
RunResult runInspect(const std::vector<std::string>& arguments,
                     const std::filesystem::path& cwd = std::filesystem::current_path());

// Compiles images with quorvel into dir / "terrain.map" and returns its path; throws when
// the run fails.
std::filesystem::path compileMap(const TempDir& dir, const TerrainImages& images);

// The 51 x 51 uniform example: altitude 10, white diffuse colours, black ambient ones, so
// every colour is 255 255 255, every height 10 and every normal points straight up.
TerrainImages uniformExample();

// A map of largeur x hauteur blocFiles written record by record in the writer's loop order,
// whose every value tells where it is: vertex k at pixel (x, y) has the colour
// (x % 256, y % 256, k) and the height x + 1000 y; triangle t (1..8) of the record with
// origin (ox, oy) has the normal (t, ox, oy).
Bytes patternMap(int largeur, int hauteur);

// A PNG read back through libpng's own reader, converted to 8-bit RGB (channels 3) or grey
// (channels 1); rows top first, as a viewer shows them.
struct PngPixels {
  int width = 0;
  int height = 0;
  int channels = 0;
  Bytes pixels;

  [[nodiscard]] const std::uint8_t* at(int column, int row) const {
    return pixels.data() + (static_cast<std::size_t>(row) * width + column) * channels;
  }
};
PngPixels readPng(const std::filesystem::path& path, int channels);

// A field of width x height pixels, its heights 0 and no colours, for the mesh code, which
// reads only where pixels are (the simplifier reads the heights too).
HeightField flatField(int width, int height);

// A mesh of field whose vertex i is at pixel pixels[i] (x, y).
TerrainMesh meshOf(const HeightField& field, const std::vector<std::array<int, 2>>& pixels,
                   std::vector<std::uint32_t> indices);

}  // namespace quorvel::test
