// A program that uses the installed library as a pipeline would. It makes a terrain in memory,
// writes its five images as BMPs, compiles the map from the files and from memory, checks that
// both are the same bytes and reads one back. The caller then compiles the same files with the
// quorvel program and compares.
// Usage: consumer OUT_DIR   (writes OUT_DIR/terrain*.bmp, terrain.map and memory.map)

#include <quorvel/quorvel.h>

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

static_assert(QUORVEL_VERSION_MAJOR == PACKAGE_MAJOR && QUORVEL_VERSION_MINOR == PACKAGE_MINOR &&
                  QUORVEL_VERSION_PATCH == PACKAGE_PATCH,
              "the installed header and the CMake package disagree on the version");

namespace {

constexpr int kWidth = 101;
constexpr int kHeight = 51;

void put(std::vector<std::uint8_t>& out, std::uint32_t value, int bytes) {
  for (int i = 0; i < bytes; ++i) out.push_back(static_cast<std::uint8_t>(value >> (8 * i)));
}

// An uncompressed BMP, rows bottom first: 8-bit with a grey table, or 24-bit.
void writeBmp(const std::string& path, const std::vector<std::uint8_t>& pixels, int channels) {
  const int rowBytes = (kWidth * channels + 3) / 4 * 4;
  const int table = channels == 1 ? 1024 : 0;
  std::vector<std::uint8_t> out{'B', 'M'};
  put(out, 54 + table + rowBytes * kHeight, 4);
  put(out, 0, 4);
  put(out, 54 + table, 4);
  put(out, 40, 4);
  put(out, kWidth, 4);
  put(out, kHeight, 4);
  put(out, 1, 2);
  put(out, 8 * channels, 2);
  for (int i = 0; i < 6; ++i) put(out, 0, 4);
  for (int i = 0; i < table / 4; ++i) put(out, 0x010101u * i, 4);
  for (int y = 0; y < kHeight; ++y) {
    for (int x = 0; x < kWidth; ++x) {
      for (int c = channels - 1; c >= 0; --c) out.push_back(pixels[(y * kWidth + x) * channels + c]);
    }
    out.resize(out.size() + rowBytes - kWidth * channels, 0);
  }
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(out.data()),
                                               static_cast<std::streamsize>(out.size()));
}

std::vector<char> bytesOf(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), std::istreambuf_iterator<char>()};
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fprintf(stderr, "usage: consumer OUT_DIR\n");
    return 2;
  }
  const std::string dir = argv[1];
  if (std::strcmp(quorvel::version(), QUORVEL_VERSION_STRING) != 0) {
    std::fprintf(stderr, "consumer: the library is %s, its header %s\n", quorvel::version(),
                 QUORVEL_VERSION_STRING);
    return 1;
  }
  std::vector<std::uint8_t> alt(kWidth * kHeight);
  std::vector<std::vector<std::uint8_t>> colours(4, std::vector<std::uint8_t>(alt.size() * 3));
  for (std::size_t i = 0; i < alt.size(); ++i) {
    alt[i] = static_cast<std::uint8_t>((i * 37 + i / kWidth * 11) % 200);
    for (std::size_t c = 0; c < 3; ++c) {
      for (std::size_t image = 0; image < colours.size(); ++image) {
        colours[image][3 * i + c] = static_cast<std::uint8_t>(i * (image + 3) + c * 40);
      }
    }
  }
  const char* roles[] = {"DifMat", "AmbMat", "DifLight", "AmbLight"};
  writeBmp(dir + "/terrainalt.bmp", alt, 1);
  for (int image = 0; image < 4; ++image) {
    writeBmp(dir + "/terrain" + roles[image] + ".bmp", colours[image], 3);
  }

  quorvel::Settings settings;
  settings.lightDirection = {1.0f, 1.0f, 2.0f};
  settings.zScaleFactor = 0.5f;
  settings.seaLevel = 75.0f;
  try {
    quorvel::ImageFiles files;
    files.prefix = dir + "/terrain";
    const quorvel::CompileResult fromFiles = quorvel::compileFiles(files, settings);
    const auto view = [](const std::vector<std::uint8_t>& pixels) {
      return quorvel::ColourView{pixels.data(), kWidth, kHeight, 3 * kWidth, 0};
    };
    const quorvel::TerrainViews views{
        {alt.data(), kWidth, kHeight, kWidth, quorvel::SampleType::kUInt8, 0},
        view(colours[0]), view(colours[1]), view(colours[2]), view(colours[3])};
    const quorvel::CompileResult fromMemory =
        quorvel::compileRasters(dir + "/memory.map", views, settings);
    std::printf("%s: %d x %d blocFiles\n%s: %d x %d blocFiles\n", fromFiles.map.c_str(),
                fromFiles.largeur, fromFiles.hauteur, fromMemory.map.c_str(), fromMemory.largeur,
                fromMemory.hauteur);
    if (bytesOf(fromFiles.map) != bytesOf(fromMemory.map)) {
      std::fprintf(stderr, "consumer: the map from memory differs from the map from files\n");
      return 1;
    }
    const quorvel::Map map(fromMemory.map);
    if (map.width() != kWidth || map.height() != kHeight ||
        map.vertexHeight(0, 0) != (alt[0] - 75.0f) * 0.5f) {
      std::fprintf(stderr, "consumer: the map reads back wrong\n");
      return 1;
    }
  } catch (const quorvel::Error& error) {
    std::fprintf(stderr, "consumer: %s (%s)\n", error.what(), error.hint().c_str());
    return 1;
  }
  return 0;
}
