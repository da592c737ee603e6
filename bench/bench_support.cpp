#include "bench_support.h"

#include <unistd.h>

#include <map>
#include <stdexcept>
#include <utility>

#include "terrain_generator.h"

namespace quorvel::bench {

MemoryTexture::MemoryTexture(std::string name, int side, int pixelBytes,
                             std::vector<std::uint8_t> data)
    : Texture(std::move(name)) {
  width = side;
  height = side;
  fileWidth = side;
  fileHeight = side;
  bitsPerPixel = 8 * pixelBytes;
  bytesPerPixel = pixelBytes;
  pixels = std::move(data);
}

namespace {

struct LoadedTerrain {
  explicit LoadedTerrain(SyntheticTerrain images)
      : alt("alt", images.side, 1, std::move(images.alt)),
        difMat("DifMat", images.side, 3, std::move(images.difMat)),
        ambMat("AmbMat", images.side, 3, std::move(images.ambMat)),
        difLight("DifLight", images.side, 3, std::move(images.difLight)),
        ambLight("AmbLight", images.side, 3, std::move(images.ambLight)),
        terrain{alt, difMat, ambMat, difLight, ambLight, Settings{}} {
    terrain.settings.lightDirection = Vector3{1.0f, 1.0f, 2.0f};
    normalize(terrain.settings.lightDirection);
    terrain.settings.zScaleFactor = 2.0f;
    terrain.settings.seaLevel = 10.0f;
  }

  MemoryTexture alt;
  MemoryTexture difMat;
  MemoryTexture ambMat;
  MemoryTexture difLight;
  MemoryTexture ambLight;
  Terrain terrain;
};

}  // namespace

const Terrain& benchTerrain(int side) {
  // Benchmarks run one at a time on the main thread, so the cache needs no lock.
  static std::map<int, std::unique_ptr<LoadedTerrain>> cache;
  std::unique_ptr<LoadedTerrain>& entry = cache[side];
  if (!entry) entry = std::make_unique<LoadedTerrain>(generateTerrain(side));
  return entry->terrain;
}

MapSink::MapSink() {
  std::string pattern =
      (std::filesystem::temp_directory_path() / "quorvel-bench-XXXXXX").string();
  if (::mkdtemp(pattern.data()) == nullptr) {
    throw std::runtime_error("cannot create a directory like " + pattern);
  }
  dir_ = pattern;
  renew();
}

MapSink::~MapSink() {
  file_.reset();  // removes its temporary file
  std::error_code ignored;
  std::filesystem::remove_all(dir_, ignored);
}

void MapSink::renew() {
  file_.reset();
  file_ = std::make_unique<MapFile>((dir_ / "bench.map").string());
  written_ = 0;
}

}  // namespace quorvel::bench
