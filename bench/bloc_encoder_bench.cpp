// The path the tool takes: whole blocFiles encoded into memory, with triangle normals from
// the table or computed, and the table's own cost. Compare BM_EncodeBlocFile with
// BM_WriteBlock, which computes every value where it is stored.

#include <benchmark/benchmark.h>

#include <vector>

#include "bench_support.h"
#include "map/bloc_encoder.h"
#include "map/map_format.h"
#include "map/triangle_table.h"

namespace quorvel::bench {
namespace {

void encodeBlocFiles(benchmark::State& state, const TriangleTable* table,
                     const Terrain& terrain = benchTerrain(kBenchSide)) {
  const BlocEncoder encoder(terrain, table);
  const int blocFiles = (kBenchSide - 1) / kBlocFilePixels;
  std::vector<std::uint8_t> record(kBlocFileBytes);
  int index = 0;
  for (auto _ : state) {
    encoder.encode(index % blocFiles, index / blocFiles % blocFiles, record.data());
    benchmark::DoNotOptimize(record.data());
    ++index;
  }
  state.SetItemsProcessed(state.iterations());
  state.SetBytesProcessed(state.iterations() * kBlocFileBytes);
}

void BM_EncodeBlocFile(benchmark::State& state) {
  const TriangleTable table(benchTerrain(kBenchSide).settings.zScaleFactor, 1, 255, 1);
  encodeBlocFiles(state, &table);
}
BENCHMARK(BM_EncodeBlocFile)->Unit(benchmark::kMicrosecond);

void BM_EncodeBlocFileWithoutTable(benchmark::State& state) { encodeBlocFiles(state, nullptr); }
BENCHMARK(BM_EncodeBlocFileWithoutTable)->Unit(benchmark::kMicrosecond);

// 16-bit altitudes never use the table: compare with BM_EncodeBlocFile (the target for a
// 16-bit altitude: the whole run within 1.25 x the 8-bit one).
void BM_EncodeBlocFile16Bit(benchmark::State& state) {
  encodeBlocFiles(state, nullptr, benchTerrain16(kBenchSide));
}
BENCHMARK(BM_EncodeBlocFile16Bit)->Unit(benchmark::kMicrosecond);

void BM_BuildTriangleTable(benchmark::State& state) {
  for (auto _ : state) {
    const TriangleTable table(2.0f, 1, 255, 1);
    benchmark::DoNotOptimize(&table.normal(0, 0, 0));
  }
}
BENCHMARK(BM_BuildTriangleTable)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench
