// Normals, one call per iteration, over every pixel or cell centre of the bench terrain in
// turn. A faster variant of a function goes beside its plain one under the same name with a
// suffix, so that the two lines of output sit together.

#include <benchmark/benchmark.h>

#include <array>

#include "bench_support.h"
#include "map/normals.h"
#include "reference_map.h"

namespace quorvel::bench {
namespace {

void BM_ComputeVertexNormal(benchmark::State& state) {
  const Terrain& terrain = benchTerrain(kBenchSide);
  PixelWalk walk(0, kBenchSide - 1, 1);  // border pixels included, as the map writer has them
  Vector3 normal;
  for (auto _ : state) {
    test::computeVertexNormal(normal, terrain.alt, terrain.settings.zScaleFactor, walk.x(),
                              walk.y());
    benchmark::DoNotOptimize(normal);
    walk.next();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ComputeVertexNormal);

void BM_ComputeFaceNormals(benchmark::State& state) {
  const Terrain& terrain = benchTerrain(kBenchSide);
  PixelWalk walk(1, kBenchSide - 2, 2);  // the cell centres
  std::array<Vector3, 8> normals;
  for (auto _ : state) {
    test::computeFaceNormals(normals, terrain.alt, terrain.settings.zScaleFactor, walk.x(),
                             walk.y());
    benchmark::DoNotOptimize(normals);
    walk.next();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ComputeFaceNormals);

}  // namespace
}  // namespace quorvel::bench
