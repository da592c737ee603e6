// A world's two tiles a thread, hashed as the world hashes them: a megabyte of each in turn,
// through libcrypto one message after the other or through the pair's interleaved rounds.
// The pair stays only while it wins by a tenth or more (docs/development.md).

#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "world/sha256.h"

namespace quorvel::bench {
namespace {

constexpr std::size_t kTileBytes = std::size_t{16} << 20;
constexpr std::size_t kPieceBytes = std::size_t{1} << 20;

const std::vector<std::uint8_t>& tileBytes(int which) {
  static const std::vector<std::vector<std::uint8_t>> tiles = [] {
    std::vector<std::vector<std::uint8_t>> made(2, std::vector<std::uint8_t>(kTileBytes));
    std::uint32_t seed = 1;
    for (auto& tile : made) {
      for (std::uint8_t& byte : tile) {
        seed = seed * 1664525 + 1013904223;
        byte = static_cast<std::uint8_t>(seed >> 24);
      }
    }
    return made;
  }();
  return tiles[static_cast<std::size_t>(which)];
}

void BM_Sha256TwoTiles(benchmark::State& state) {
  const std::vector<std::uint8_t>& a = tileBytes(0);
  const std::vector<std::uint8_t>& b = tileBytes(1);
  for (auto _ : state) {
    Sha256 shas[2];
    for (std::size_t at = 0; at < kTileBytes; at += kPieceBytes) {
      shas[0].update(a.data() + at, kPieceBytes);
      shas[1].update(b.data() + at, kPieceBytes);
    }
    benchmark::DoNotOptimize(shas[0].finish());
    benchmark::DoNotOptimize(shas[1].finish());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 2 * kTileBytes));
}
BENCHMARK(BM_Sha256TwoTiles)->Unit(benchmark::kMillisecond);

void BM_Sha256TwoTilesPair(benchmark::State& state) {
  const std::vector<std::uint8_t>& a = tileBytes(0);
  const std::vector<std::uint8_t>& b = tileBytes(1);
  for (auto _ : state) {
    Sha256Pair pair;
    for (std::size_t at = 0; at < kTileBytes; at += kPieceBytes) {
      pair.update(a.data() + at, kPieceBytes, b.data() + at, kPieceBytes);
    }
    benchmark::DoNotOptimize(pair.finish());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * 2 * kTileBytes));
}
BENCHMARK(BM_Sha256TwoTilesPair)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel::bench
