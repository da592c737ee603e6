// Whole records appended to a MapFile in a temporary directory, so the figures include the
// buffer and its writes to the page cache, as in a real run. Bytes per second are the
// record bytes produced.

#include <benchmark/benchmark.h>

#include "bench_support.h"
#include "map/map_format.h"
#include "map/map_writer.h"

namespace quorvel::bench {
namespace {

void BM_WriteCell(benchmark::State& state) {
  const Terrain& terrain = benchTerrain(kBenchSide);
  PixelWalk walk(0, kBenchSide - 3, kCellPixels);  // cell origins
  MapSink sink;
  for (auto _ : state) {
    writeCell(sink.file(), terrain, walk.x(), walk.y());
    walk.next();
    if (sink.add(kCellBytes)) {
      state.PauseTiming();
      sink.renew();
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
  MapSink sink;
  for (auto _ : state) {
    writeBlock(sink.file(), terrain, walk.x(), walk.y());
    walk.next();
    if (sink.add(kBlocFileBytes)) {
      state.PauseTiming();
      sink.renew();
      state.ResumeTiming();
    }
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * kBlocFileBytes);
}
BENCHMARK(BM_WriteBlock)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench
