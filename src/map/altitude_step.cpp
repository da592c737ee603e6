#include "map/altitude_step.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <numeric>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

namespace quorvel {
namespace {

constexpr int kValues = 65536;
using Seen = std::array<std::uint8_t, kValues>;

// Marks the values of samples [first, last) in seen, by their place from the lowest value of
// Sample: one pass over the pixels, whatever their order. The step then comes from at most
// 65536 distinct values, not from a division per pixel.
template <class Sample>
void markValues(const std::uint8_t* pixels, std::size_t first, std::size_t last, Seen& seen) {
  constexpr int kLowest = std::is_signed_v<Sample> ? -32768 : 0;
  for (std::size_t n = first; n < last; ++n) {
    Sample sample;
    std::memcpy(&sample, pixels + n * sizeof(Sample), sizeof sample);
    seen[static_cast<std::size_t>(sample - kLowest)] = 1;
  }
}

}  // namespace

int altitudeStep(const Texture& alt, int threads) {
  if (alt.sampleFormat != SampleFormat::kUInt16 && alt.sampleFormat != SampleFormat::kInt16) {
    return 0;
  }
  const std::size_t samples = alt.pixels.size() / 2;
  const int parts = static_cast<int>(
      std::clamp<std::size_t>(samples / (std::size_t{1} << 20), 1, std::clamp(threads, 1, 64)));
  std::vector<Seen> seen(static_cast<std::size_t>(parts), Seen{});
  const auto mark = [&](int part) {
    const std::size_t first = samples * static_cast<std::size_t>(part) / parts;
    const std::size_t last = samples * static_cast<std::size_t>(part + 1) / parts;
    if (alt.sampleFormat == SampleFormat::kInt16) {
      markValues<std::int16_t>(alt.pixels.data(), first, last, seen[part]);
    } else {
      markValues<std::uint16_t>(alt.pixels.data(), first, last, seen[part]);
    }
  };
  std::vector<std::thread> helpers;
  int next = 1;
  try {
    for (; next < parts; ++next) helpers.emplace_back(mark, next);
  } catch (const std::system_error&) {
    // No thread to be had: this one marks the rest.
  }
  for (int part = next; part < parts; ++part) mark(part);
  mark(0);
  for (std::thread& helper : helpers) helper.join();

  int lowest = -1;
  int step = 0;
  for (int value = 0; value < kValues && step != 1; ++value) {
    const bool present = std::any_of(seen.begin(), seen.end(),
                                     [value](const Seen& part) { return part[value] != 0; });
    if (!present) continue;
    if (lowest < 0) {
      lowest = value;
    } else {
      step = std::gcd(step, value - lowest);
    }
  }
  return std::max(step, 1);
}

}  // namespace quorvel
