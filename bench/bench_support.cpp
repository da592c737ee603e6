#include "bench_support.h"

#include <map>
#include <memory>
#include <utility>

#include "memory_texture.h"
#include "terrain_generator.h"

namespace quorvel::bench {
namespace {

struct LoadedTerrain {
  explicit LoadedTerrain(SyntheticTerrain images)
      : alt("alt", images.side, images.side, 1, std::move(images.alt)),
        difMat("DifMat", images.side, images.side, 3, std::move(images.difMat)),
        ambMat("AmbMat", images.side, images.side, 3, std::move(images.ambMat)),
        difLight("DifLight", images.side, images.side, 3, std::move(images.difLight)),
        ambLight("AmbLight", images.side, images.side, 3, std::move(images.ambLight)),
        terrain{alt, difMat, ambMat, difLight, ambLight, Settings{}} {
    terrain.settings.lightDirection = Vector3{1.0f, 1.0f, 2.0f};
    normalize(terrain.settings.lightDirection);
    terrain.settings.zScaleFactor = 2.0f;
    terrain.settings.seaLevel = 10.0f;
  }

  test::MemoryTexture alt;
  test::MemoryTexture difMat;
  test::MemoryTexture ambMat;
  test::MemoryTexture difLight;
  test::MemoryTexture ambLight;
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

}  // namespace quorvel::bench
