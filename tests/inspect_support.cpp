#include "inspect_support.h"

#include <png.h>

#include <cstring>
#include <stdexcept>

#include "map/map_format.h"

namespace quorvel::test {
namespace {

void putLe32(Bytes& bytes, std::uint32_t value) {
  for (int i = 0; i < 4; ++i) bytes.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

void putFloat(Bytes& bytes, float value) { putLe32(bytes, std::bit_cast<std::uint32_t>(value)); }

void putCell(Bytes& bytes, int ox, int oy) {
  for (int k = 0; k < kVerticesPerCell; ++k) {
    const int x = ox + 1 + kCellVertices[k].dx;
    const int y = oy + 1 + kCellVertices[k].dy;
    bytes.insert(bytes.end(), {static_cast<std::uint8_t>(x % 256),
                               static_cast<std::uint8_t>(y % 256), static_cast<std::uint8_t>(k)});
  }
  for (int k = 0; k < kVerticesPerCell; ++k) {
    const int x = ox + 1 + kCellVertices[k].dx;
    const int y = oy + 1 + kCellVertices[k].dy;
    putFloat(bytes, static_cast<float>(x + 1000 * y));
  }
  for (int t = 1; t <= kTrianglesPerCell; ++t) {
    putFloat(bytes, static_cast<float>(t));
    putFloat(bytes, static_cast<float>(ox));
    putFloat(bytes, static_cast<float>(oy));
  }
}

}  // namespace

RunResult runInspect(const std::vector<std::string>& arguments, const std::filesystem::path& cwd) {
  ProcessOptions options;
  options.program = QUORVEL_INSPECT_BINARY;
  return runTool(arguments, cwd, options);
}

std::filesystem::path compileMap(const TempDir& dir, const TerrainImages& images) {
  writeTerrain(dir / "terrain", images);
  const RunResult run = runTool({"terrain"}, dir.path());
  if (run.exitCode != 0) throw std::runtime_error("quorvel failed: " + run.out);
  return dir / "terrain.map";
}

TerrainImages uniformExample() {
  return uniformTerrain(51, 51, 10, {255, 255, 255}, {0, 0, 0}, {255, 255, 255}, {0, 0, 0});
}

Bytes patternMap(int largeur, int hauteur) {
  Bytes bytes;
  putLe32(bytes, static_cast<std::uint32_t>(largeur));
  putLe32(bytes, static_cast<std::uint32_t>(hauteur));
  for (int by = 0; by < hauteur; ++by) {
    for (int bx = 0; bx < largeur; ++bx) {
      for (int sy = 0; sy < kSubBlocksPerSide; ++sy) {
        for (int sx = 0; sx < kSubBlocksPerSide; ++sx) {
          for (int cy = 0; cy < kCellsPerSide; ++cy) {
            for (int cx = 0; cx < kCellsPerSide; ++cx) {
              putCell(bytes, kBlocFilePixels * bx + kSubBlockPixels * sx + kCellPixels * cx,
                      kBlocFilePixels * by + kSubBlockPixels * sy + kCellPixels * cy);
            }
          }
        }
      }
    }
  }
  return bytes;
}

PngPixels readPng(const std::filesystem::path& path, int channels) {
  png_image image;
  std::memset(&image, 0, sizeof image);
  image.version = PNG_IMAGE_VERSION;
  if (png_image_begin_read_from_file(&image, path.c_str()) == 0) {
    throw std::runtime_error("libpng cannot read " + path.string() + ": " + image.message);
  }
  image.format = channels == 3 ? PNG_FORMAT_RGB : PNG_FORMAT_GRAY;
  PngPixels png;
  png.width = static_cast<int>(image.width);
  png.height = static_cast<int>(image.height);
  png.channels = channels;
  png.pixels.resize(PNG_IMAGE_SIZE(image));
  if (png_image_finish_read(&image, nullptr, png.pixels.data(), 0, nullptr) == 0) {
    throw std::runtime_error("libpng cannot decode " + path.string() + ": " + image.message);
  }
  return png;
}

HeightField flatField(int width, int height) {
  HeightField field;
  field.largeur = (width - 1) / kBlocFilePixels;
  field.hauteur = (height - 1) / kBlocFilePixels;
  field.width = width;
  field.height = height;
  field.heights.resize(static_cast<std::size_t>(width) * static_cast<std::size_t>(height));
  return field;
}

TerrainMesh meshOf(const HeightField& field, const std::vector<std::array<int, 2>>& pixels,
                   std::vector<std::uint32_t> indices) {
  TerrainMesh mesh;
  for (const auto& [x, y] : pixels) {
    mesh.pixels.push_back(static_cast<std::uint32_t>(y * field.width + x));
  }
  mesh.indices = std::move(indices);
  return mesh;
}

}  // namespace quorvel::test
