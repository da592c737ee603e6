#include "bench_support.h"

#include <cstdint>
#include <cstring>
#include <map>
#include <memory>
#include <utility>
#include <vector>

#include "memory_texture.h"
#include "terrain_generator.h"

namespace quorvel::bench {
namespace {

// 256 x each altitude byte as host-order 16-bit samples.
std::vector<std::uint8_t> samples16(const std::vector<std::uint8_t>& bytes) {
  std::vector<std::uint8_t> samples(2 * bytes.size());
  for (std::size_t i = 0; i < bytes.size(); ++i) {
    const auto sample = static_cast<std::uint16_t>(bytes[i] * 256);
    std::memcpy(&samples[2 * i], &sample, 2);
  }
  return samples;
}

struct LoadedTerrain {
  LoadedTerrain(SyntheticTerrain images, bool wide)
      : alt("alt", images.side, images.side, wide ? 2 : 1,
            wide ? samples16(images.alt) : std::move(images.alt),
            wide ? SampleFormat::kUInt16 : SampleFormat::kUInt8),
        difMat("DifMat", images.side, images.side, 3, std::move(images.difMat)),
        ambMat("AmbMat", images.side, images.side, 3, std::move(images.ambMat)),
        difLight("DifLight", images.side, images.side, 3, std::move(images.difLight)),
        ambLight("AmbLight", images.side, images.side, 3, std::move(images.ambLight)),
        terrain{alt, difMat, ambMat, difLight, ambLight, Settings{}} {
    terrain.settings.lightDirection = Vector3{1.0f, 1.0f, 2.0f};
    normalize(terrain.settings.lightDirection);
    terrain.settings.zScaleFactor = wide ? 2.0f / 256 : 2.0f;
    terrain.settings.seaLevel = wide ? 10.0f * 256 : 10.0f;
  }

  test::MemoryTexture alt;
  test::MemoryTexture difMat;
  test::MemoryTexture ambMat;
  test::MemoryTexture difLight;
  test::MemoryTexture ambLight;
  Terrain terrain;
};

// Benchmarks run one at a time on the main thread, so the cache needs no lock.
const Terrain& cachedTerrain(int side, bool wide) {
  static std::map<std::pair<int, bool>, std::unique_ptr<LoadedTerrain>> cache;
  std::unique_ptr<LoadedTerrain>& entry = cache[{side, wide}];
  if (!entry) entry = std::make_unique<LoadedTerrain>(generateTerrain(side), wide);
  return entry->terrain;
}

}  // namespace

const Terrain& benchTerrain(int side) { return cachedTerrain(side, false); }

const Terrain& benchTerrain16(int side) { return cachedTerrain(side, true); }

}  // namespace quorvel::bench
