// The straightforward reference writer of the tests, a cell and a blocFile at a time, appended
// to memory that is emptied now and then outside the timed region. Bytes per second are the
// record bytes produced; compare BM_WriteBlock with BM_EncodeBlocFile.

#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "map/map_format.h"
#include "reference_map.h"

namespace quorvel::bench {
namespace {

constexpr std::size_t kSinkBytes = std::size_t{16} << 20;

void BM_WriteCell(benchmark::State& state) {
  const Terrain& terrain = benchTerrain(kBenchSide);
  PixelWalk walk(0, kBenchSide - 3, kCellPixels);  // cell origins
  test::Bytes sink;
  sink.reserve(kSinkBytes);
  for (auto _ : state) {
    test::writeCell(sink, terrain, walk.x(), walk.y());
    walk.next();
    if (sink.size() >= kSinkBytes) {
      state.PauseTiming();
      sink.clear();
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * kCellBytes);
}
BENCHMARK(BM_WriteCell);

// One iteration is one blocFile, so its time compares directly with the timing script's
// time per blocFile.
void BM_WriteBlock(benchmark::State& state) {
  const Terrain& terrain = benchTerrain(kBenchSide);
  PixelWalk walk(0, kBenchSide - 1 - kBlocFilePixels, kBlocFilePixels);  // blocFile origins
  test::Bytes sink;
  sink.reserve(kSinkBytes);
  for (auto _ : state) {
    test::writeBlock(sink, terrain, walk.x(), walk.y());
    walk.next();
    if (sink.size() >= kSinkBytes) {
      state.PauseTiming();
      sink.clear();
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * kBlocFileBytes);
}
BENCHMARK(BM_WriteBlock)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench
