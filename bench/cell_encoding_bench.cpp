// Vertex colour (which includes its vertex normal) and height, one pixel per iteration.

#include <benchmark/benchmark.h>

#include <array>
#include <cstdint>

#include "bench_support.h"
#include "reference_map.h"

namespace quorvel::bench {
namespace {

void BM_VertexColor(benchmark::State& state) {
  const Terrain& terrain = benchTerrain(kBenchSide);
  PixelWalk walk(0, kBenchSide - 1, 1);
  for (auto _ : state) {
    std::array<std::uint8_t, 3> color = test::vertexColor(terrain, walk.x(), walk.y());
    benchmark::DoNotOptimize(color);
    walk.next();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VertexColor);

void BM_VertexHeight(benchmark::State& state) {
  const Terrain& terrain = benchTerrain(kBenchSide);
  PixelWalk walk(0, kBenchSide - 1, 1);
  for (auto _ : state) {
    float height = test::vertexHeight(terrain.alt, terrain.settings, walk.x(), walk.y());
    benchmark::DoNotOptimize(height);
    walk.next();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_VertexHeight);

}  // namespace
}  // namespace quorvel::bench
