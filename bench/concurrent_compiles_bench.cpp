// Two compiles of a 1001 x 1001 terrain in one process, one after the other and at once on two
// threads, as two Python threads or a dask worker's threads run them. The compiles share the
// process's workers, so at once should take no longer than one after the other. Run with
// --benchmark_filter='OneCompile|TwoCompiles' --benchmark_repetitions=9
// --benchmark_enable_random_interleaving=true and compare the minima.

#include <benchmark/benchmark.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <thread>
#include <vector>

#include "quorvel/quorvel.h"
#include "terrain_generator.h"

namespace quorvel::bench {
namespace {

constexpr int kSide = 1001;

// The terrain's images written twice, under the prefixes a and b, in a directory of its own
// that lives as long as the run.
class TwoTerrains {
 public:
  TwoTerrains()
      : dir_(std::filesystem::temp_directory_path() /
             ("quorvel-bench-" + std::to_string(::getpid()))) {
    std::filesystem::create_directories(dir_);
    const SyntheticTerrain terrain = generateTerrain(kSide);
    writeTerrain(prefix("a"), terrain);
    writeTerrain(prefix("b"), terrain);
  }
  ~TwoTerrains() { std::filesystem::remove_all(dir_); }
  TwoTerrains(const TwoTerrains&) = delete;
  TwoTerrains& operator=(const TwoTerrains&) = delete;

  [[nodiscard]] std::string prefix(const std::string& name) const { return (dir_ / name).string(); }

 private:
  std::filesystem::path dir_;
};

void compile(const std::string& prefix) {
  ImageFiles files;
  files.prefix = prefix;
  Settings settings;
  settings.lightDirection = {1.0f, 1.0f, 2.0f};
  settings.zScaleFactor = 2.0f;
  settings.seaLevel = 10.0f;
  benchmark::DoNotOptimize(compileFiles(files, settings));
}

const TwoTerrains& twoTerrains() {
  static const TwoTerrains terrains;
  return terrains;
}

double smallest(const std::vector<double>& times) {
  return *std::min_element(times.begin(), times.end());
}

// One compile alone, the unit of the two below.
void BM_OneCompile(benchmark::State& state) {
  for (auto _ : state) compile(twoTerrains().prefix("a"));
}
BENCHMARK(BM_OneCompile)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", smallest);

// Argument 0: one after the other; 1: at once.
void BM_TwoCompiles(benchmark::State& state) {
  const TwoTerrains& terrains = twoTerrains();
  const bool atOnce = state.range(0) == 1;
  for (auto _ : state) {
    if (atOnce) {
      std::thread other([&] { compile(terrains.prefix("b")); });
      compile(terrains.prefix("a"));
      other.join();
    } else {
      compile(terrains.prefix("a"));
      compile(terrains.prefix("b"));
    }
  }
}
BENCHMARK(BM_TwoCompiles)
    ->ArgName("at_once")
    ->Arg(0)
    ->Arg(1)
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime()
    ->ComputeStatistics("min", smallest);

}  // namespace
}  // namespace quorvel::bench
