// The check of heights and rises before a map is written, on 5001 x 5001 altitudes: real
// samples settled by their least and greatest, and a z scale at which that bound fails and
// every neighbour difference is taken.

#include <benchmark/benchmark.h>

#include <cstring>
#include <string>
#include <vector>

#include "map/height_limits.h"
#include "memory_texture.h"

namespace quorvel {
namespace {

constexpr int kSide = 5001;

// A slope from -5e29 to 5e29, rising by 1e26 a pixel along each axis.
const test::MemoryTexture& realAltitudes() {
  static const test::MemoryTexture texture = [] {
    std::vector<std::uint8_t> bytes(std::size_t{kSide} * kSide * sizeof(double));
    for (int y = 0; y < kSide; ++y) {
      for (int x = 0; x < kSide; ++x) {
        const double value = (x + y - (kSide - 1)) * 1e26;
        std::memcpy(bytes.data() + (std::size_t{kSide} * y + x) * sizeof value, &value,
                    sizeof value);
      }
    }
    return test::MemoryTexture("alt.tif", kSide, kSide, 8, std::move(bytes),
                               SampleFormat::kFloat64);
  }();
  return texture;
}

void heightLimits(benchmark::State& state, float zScale) {
  Settings settings;
  settings.zScaleFactor = zScale;
  const Texture& alt = realAltitudes();
  for (auto _ : state) {
    checkHeightLimits(alt, settings);
  }
}

// The range of the altitudes bounds every rise: settled by the least and greatest sample.
BENCHMARK_CAPTURE(heightLimits, float64_bounded, 1.0f)->Unit(benchmark::kMillisecond);
// Heights of up to 2.5e38 are finite, a rise as large as their range would not be: every
// neighbour difference is taken.
BENCHMARK_CAPTURE(heightLimits, float64_every_rise, 5e8f)->Unit(benchmark::kMillisecond);

}  // namespace
}  // namespace quorvel
