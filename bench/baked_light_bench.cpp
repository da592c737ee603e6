// The baked light's two whole-image steps on the synthetic terrain of the timing script (light
// 1 1 2, z scale 2): the sky's sweeps over every pixel (the items are pixel-directions), and
// the shadows' marches (the items are pixels). The whole tool with --sky and --shadows is timed
// by bench/light.sh.

#include <benchmark/benchmark.h>

#include <algorithm>
#include <vector>

#include "bench_support.h"
#include "map/map_format.h"
#include "map/sky_view.h"
#include "map/sun_shadow.h"

namespace quorvel::bench {
namespace {

constexpr int kLightSide = 2001;

// Arguments: the number of directions, then of threads.
void BM_SkyOcclusion(benchmark::State& state) {
  const Terrain& terrain = benchTerrain(kLightSide);
  const auto directions = static_cast<int>(state.range(0));
  for (auto _ : state) {
    const auto occlusion = skyOcclusion(terrain.alt, terrain.settings.zScaleFactor, directions,
                                        static_cast<int>(state.range(1)));
    benchmark::DoNotOptimize(occlusion.get());
  }
  state.SetItemsProcessed(state.iterations() * kLightSide * kLightSide * directions);
}
BENCHMARK(BM_SkyOcclusion)
    ->Args({16, 1})
    ->Args({16, 2})
    ->Args({8, 1})
    ->Unit(benchmark::kMillisecond);

// The spans of 51 x 51 pixels that the encoder shades, one a blocFile.
void BM_SunShadow(benchmark::State& state) {
  const Terrain& terrain = benchTerrain(kLightSide);
  const SunShadow sun(terrain.alt, terrain.settings.zScaleFactor, terrain.settings.lightDirection,
                      0.53);
  constexpr int kSpan = kBlocFilePixels + 1;
  constexpr int kBlocFiles = (kLightSide - 1) / kBlocFilePixels;
  std::vector<double> diffuse(kSpan * kSpan);
  for (auto _ : state) {
    for (int by = 0; by < kBlocFiles; ++by) {
      for (int bx = 0; bx < kBlocFiles; ++bx) {
        std::fill(diffuse.begin(), diffuse.end(), 1.0);
        sun.shade(bx * kBlocFilePixels, by * kBlocFilePixels, kSpan, diffuse.data());
        benchmark::DoNotOptimize(diffuse.data());
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kBlocFiles * kBlocFiles * kSpan * kSpan);
}
BENCHMARK(BM_SunShadow)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench
