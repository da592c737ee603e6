#include "map/altitude_step.h"

#include <algorithm>
#include <array>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <numeric>
#include <type_traits>
#include <vector>

#include "map/vector_loops.h"
#include "worker_threads.h"

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

// The largest difference between a sample of row and its right neighbour, and, where above
// is given, the three samples of above beside and over it. Differences of bytes, which the
// compiler takes many at a time.
QUORVEL_WIDE_CLONES int largestRiseOfRow(const std::uint8_t* row, const std::uint8_t* above,
                                         int width) {
  const auto rise = [](std::uint8_t a, std::uint8_t b) {
    return static_cast<std::uint8_t>(a > b ? a - b : b - a);
  };
  std::uint8_t largest = 0;
  for (int x = 0; x + 1 < width; ++x) largest = std::max(largest, rise(row[x], row[x + 1]));
  if (above != nullptr) {
    for (int x = 0; x < width; ++x) largest = std::max(largest, rise(row[x], above[x]));
    for (int x = 0; x + 1 < width; ++x) {
      largest = std::max(largest, std::max(rise(row[x], above[x + 1]), rise(row[x + 1], above[x])));
    }
  }
  return largest;
}

QUORVEL_WIDE_CLONES void extremes8(const std::uint8_t* bytes, std::size_t count, std::uint8_t& low,
                                   std::uint8_t& high) {
  widenIntegerExtremes<>(bytes, count, low, high);
}

QUORVEL_WIDE_CLONES void extremesU16(const std::uint8_t* bytes, std::size_t count,
                                     std::uint16_t& low, std::uint16_t& high) {
  widenIntegerExtremes<>(bytes, count, low, high);
}

QUORVEL_WIDE_CLONES void extremesI16(const std::uint8_t* bytes, std::size_t count,
                                     std::int16_t& low, std::int16_t& high) {
  widenIntegerExtremes<>(bytes, count, low, high);
}

}  // namespace

int largestRise8(const Texture& alt, int threads) {
  if (alt.sampleFormat != SampleFormat::kUInt8 || alt.width <= 0 || alt.height <= 0) return 0;
  const int width = alt.width;
  const int height = alt.height;
  const std::size_t pixels = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const int parts = static_cast<int>(
      std::clamp<std::size_t>(pixels / (std::size_t{1} << 22), 1, std::clamp(threads, 1, 64)));
  std::vector<int> largest(static_cast<std::size_t>(parts), 0);
  runJobs(parts, parts, [&](int part) {
    const int first = static_cast<int>(std::int64_t{height} * part / parts);
    const int last = static_cast<int>(std::int64_t{height} * (part + 1) / parts);
    const std::uint8_t* samples = alt.pixels.data();
    for (int y = first; y < last; ++y) {
      const std::uint8_t* row = samples + static_cast<std::size_t>(y) * width;
      const std::uint8_t* above = y + 1 < height ? row + width : nullptr;
      largest[static_cast<std::size_t>(part)] =
          std::max(largest[static_cast<std::size_t>(part)], largestRiseOfRow(row, above, width));
    }
  });
  return *std::max_element(largest.begin(), largest.end());
}

namespace {

// The step of 32-bit or real samples: the largest whole number that every difference from
// origin is a multiple of (0 when there is none), when every sample is a whole number below
// 2^31 in size; -1 otherwise. A part's samples are [first, last).
template <class Sample>
std::int64_t wholeStep(const std::uint8_t* pixels, std::size_t first, std::size_t last,
                       double origin) {
  constexpr double kLargest = 2147483648.0;
  std::int64_t step = 0;
  double divisor = 0.0;     // step, 0 until there is one
  double reciprocal = 0.0;  // 1 / divisor
  for (std::size_t n = first; n < last; ++n) {
    Sample sample;
    std::memcpy(&sample, pixels + n * sizeof(Sample), sizeof sample);
    const auto value = static_cast<double>(sample);
    // Whole numbers by a round trip through an integer: the x86-64 baseline has no rounding
    // instruction, and std::trunc would be a call per sample.
    const auto whole = [](double x) {
      return static_cast<double>(static_cast<std::int64_t>(x));
    };
    if (!(std::fabs(value) < kLargest) || whole(value) != value) return -1;
    const double difference = value - origin;  // exact: whole numbers below 2^32
    // A whole multiple of the step so far leaves it as it is. Found with the product by the
    // step's reciprocal, not a division (several times dearer): a whole number of steps that
    // gives back the difference exactly proves it a multiple; one the rounding of the product
    // misses only takes the greatest common divisor, which the multiple leaves as it was.
    if (step != 1 && (step == 0 || whole(difference * reciprocal) * divisor != difference)) {
      step = std::gcd(step, static_cast<std::int64_t>(difference));
      divisor = static_cast<double>(step);
      reciprocal = 1.0 / divisor;
    }
  }
  return step;
}

// The step of 16-bit samples from the values they take, whatever their order: the fallback of
// sixteenBitReach when the first samples do not show it.
int stepOfValues(const Texture& alt, int threads) {
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
  runJobs(parts, parts, mark);

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

// The largest difference between a 16-bit sample of row and its right neighbour and, where
// above is given, the three samples of above beside and over it; and, or-ed into bits, each
// sample's difference from origin, whose lowest set bit is the step's. Samples are read as
// unsigned after flip (0x8000 for signed ones), which keeps their order and differences.
// Differences of 16-bit lanes, which the compiler takes many at a time.
QUORVEL_WIDE_CLONES void reachOfRow16(const std::uint8_t* row, const std::uint8_t* above, int width,
                                      std::uint16_t flip, std::uint16_t origin,
                                      std::uint16_t& largest, std::uint16_t& bits) {
  const auto at = [flip](const std::uint8_t* samples, int x) {
    std::uint16_t sample;
    std::memcpy(&sample, samples + 2 * static_cast<std::ptrdiff_t>(x), sizeof sample);
    return static_cast<std::uint16_t>(sample ^ flip);
  };
  const auto rise = [](std::uint16_t a, std::uint16_t b) {
    return static_cast<std::uint16_t>(a > b ? a - b : b - a);
  };
  std::uint16_t big = largest;
  std::uint16_t ored = bits;
  for (int x = 0; x < width; ++x) ored |= static_cast<std::uint16_t>(at(row, x) - origin);
  for (int x = 0; x + 1 < width; ++x) big = std::max(big, rise(at(row, x), at(row, x + 1)));
  if (above != nullptr) {
    for (int x = 0; x < width; ++x) big = std::max(big, rise(at(row, x), at(above, x)));
    for (int x = 0; x + 1 < width; ++x) {
      big = std::max(
          big, std::max(rise(at(row, x), at(above, x + 1)), rise(at(row, x + 1), at(above, x))));
    }
  }
  largest = big;
  bits = ored;
}

// Whether lowBit, of which every sample's difference from the first is a multiple, is their
// step: true when the first samples' differences (at most 2^16 of them, from differenceAt)
// have no other common divisor. Images whose samples share an odd divisor (bytes widened by
// 257) are found from every sample instead.
template <class DifferenceAt>
bool firstDifferencesShow(std::int64_t lowBit, std::size_t samples, DifferenceAt differenceAt) {
  const std::size_t looked = std::min(samples, std::size_t{1} << 16);
  std::int64_t common = 0;
  for (std::size_t n = 0; n < looked && common != lowBit; ++n) {
    const std::int64_t difference = differenceAt(n);
    if (common == 0 || difference % common != 0) common = std::gcd(common, difference);
  }
  return common == lowBit;
}

}  // namespace

AltitudeReach sixteenBitReach(const Texture& alt, int threads) {
  const SampleFormat format = alt.sampleFormat;
  if (format != SampleFormat::kUInt16 && format != SampleFormat::kInt16) return {};
  const std::size_t samples = alt.pixels.size() / 2;
  if (alt.width <= 0 || alt.height <= 0 ||
      samples != static_cast<std::size_t>(alt.width) * static_cast<std::size_t>(alt.height)) {
    return {stepOfValues(alt, threads), std::numeric_limits<int>::max()};  // rises unknown
  }
  if (alt.reach16) return {(*alt.reach16)[0], (*alt.reach16)[1]};  // found as it was read
  const int width = alt.width;
  const int height = alt.height;
  const std::uint16_t flip = format == SampleFormat::kInt16 ? 0x8000 : 0;
  const std::uint8_t* pixels = alt.pixels.data();
  std::uint16_t origin;
  std::memcpy(&origin, pixels, sizeof origin);
  origin ^= flip;
  // One pass over the rows, shared among the threads: the largest rise, and the step's lowest
  // set bit, which all differences from the first sample have in common.
  const int parts = static_cast<int>(
      std::clamp<std::size_t>(samples / (std::size_t{1} << 22), 1, std::clamp(threads, 1, 64)));
  std::vector<std::array<std::uint16_t, 2>> reach(static_cast<std::size_t>(parts), {0, 0});
  runJobs(parts, parts, [&](int part) {
    const int first = static_cast<int>(std::int64_t{height} * part / parts);
    const int last = static_cast<int>(std::int64_t{height} * (part + 1) / parts);
    auto& [largest, bits] = reach[static_cast<std::size_t>(part)];
    for (int y = first; y < last; ++y) {
      const std::uint8_t* row = pixels + static_cast<std::size_t>(y) * width * 2;
      const std::uint8_t* above =
          y + 1 < height ? row + static_cast<std::size_t>(width) * 2 : nullptr;
      reachOfRow16(row, above, width, flip, origin, largest, bits);
    }
  });
  int largest = 0;
  unsigned bits = 0;
  for (const auto& [partLargest, partBits] : reach) {
    largest = std::max<int>(largest, partLargest);
    bits |= partBits;
  }
  if (bits == 0) return {1, 0};  // every sample the same
  const int lowBit = 1 << std::countr_zero(bits);
  const bool shown = firstDifferencesShow(lowBit, samples, [&](std::size_t n) {
    std::uint16_t sample;
    std::memcpy(&sample, pixels + 2 * n, sizeof sample);
    return std::abs(static_cast<int>(sample ^ flip) - static_cast<int>(origin));
  });
  const int step = shown ? lowBit : stepOfValues(alt, threads);
  return {step, largest / step};
}

namespace {

// The exact step of 32-bit or real samples, from every sample (wholeStep), shared among up to
// threads threads: 0 when they are not all whole numbers below 2^31 in size.
std::int64_t exactWholeStep(const Texture& alt, int threads) {
  const SampleFormat format = alt.sampleFormat;
  const std::size_t samples = alt.pixels.size() / static_cast<std::size_t>(sampleBytes(format));
  if (samples == 0) return 0;
  const int parts = static_cast<int>(
      std::clamp<std::size_t>(samples / (std::size_t{1} << 20), 1, std::clamp(threads, 1, 64)));
  std::vector<std::int64_t> steps(static_cast<std::size_t>(parts), -1);
  visitSample(format, [&]<class Sample>(Sample) {
    Sample first;
    std::memcpy(&first, alt.pixels.data(), sizeof first);
    const auto origin = static_cast<double>(first);
    if (!(std::fabs(origin) < 2147483648.0)) return;  // no step: part 0 says so below
    runJobs(parts, parts, [&](int part) {
      const std::size_t begin = samples * static_cast<std::size_t>(part) / parts;
      const std::size_t end = samples * static_cast<std::size_t>(part + 1) / parts;
      steps[part] = wholeStep<Sample>(alt.pixels.data(), begin, end, origin);
    });
  });
  std::int64_t step = 0;
  for (const std::int64_t part : steps) {
    if (part < 0) return 0;
    step = std::gcd(step, part);
  }
  return step == 0 ? 1 : step;  // every sample the same gives 1, as for 16-bit samples
}

// A float's samples of a row as ints, where each is a whole number below 2^31 in size; false
// when one is not. Told from bits alone: which floats are in range, those out of it turned
// into 0 before the conversion, and whether the int converted back has the sample's
// magnitude (a zero of either sign is whole); with no branch and no comparison of floats,
// the compiler takes many lanes at a time.
QUORVEL_WIDE_CLONES bool wholeFloats(const std::uint8_t* row, int width, std::int32_t* out) {
  constexpr std::uint32_t kMagnitude = 0x7FFFFFFF;
  constexpr std::uint32_t kTwoToThe31 = 0x4F000000;  // below every infinity and NaN too
  std::uint32_t fractional = 0;
  for (int x = 0; x < width; ++x) {
    std::uint32_t bits;
    std::memcpy(&bits, row + 4 * static_cast<std::ptrdiff_t>(x), sizeof bits);
    const std::uint32_t kept = (bits & kMagnitude) < kTwoToThe31 ? ~0u : 0u;
    const auto whole = static_cast<std::int32_t>(std::bit_cast<float>(bits & kept));
    const auto back = std::bit_cast<std::uint32_t>(static_cast<float>(whole));
    fractional |= ~kept | ((back ^ bits) & kMagnitude);
    out[x] = whole;
  }
  return fractional == 0;
}

// The same for the other 32-bit and real samples.
template <class Sample>
bool wholeSamples(const std::uint8_t* row, int width, std::int32_t* out) {
  if constexpr (std::is_same_v<Sample, float>) {
    return wholeFloats(row, width, out);
  } else {
    bool whole = true;
    for (int x = 0; x < width; ++x) {
      Sample sample;
      std::memcpy(&sample, row + sizeof(Sample) * static_cast<std::size_t>(x), sizeof sample);
      const auto value = static_cast<double>(sample);
      const bool inRange = std::fabs(value) < 2147483648.0;
      out[x] = static_cast<std::int32_t>(inRange ? value : 0.0);
      whole = whole && inRange && static_cast<double>(out[x]) == value;
    }
    return whole;
  }
}

// As reachOfRow16, for whole numbers held as ints: their differences and rises are taken
// modulo 2^32, where every difference of two ints below 2^31 in size has its own lowest set
// bit and every rise its own value.
QUORVEL_WIDE_CLONES void reachOfRow32(const std::int32_t* row, const std::int32_t* above,
                                      int width, std::int32_t origin, std::uint32_t& largest,
                                      std::uint32_t& bits) {
  const auto rise = [](std::int32_t a, std::int32_t b) {
    return static_cast<std::uint32_t>(std::max(a, b)) - static_cast<std::uint32_t>(std::min(a, b));
  };
  std::uint32_t big = largest;
  std::uint32_t ored = bits;
  for (int x = 0; x < width; ++x) {
    ored |= static_cast<std::uint32_t>(row[x]) - static_cast<std::uint32_t>(origin);
  }
  for (int x = 0; x + 1 < width; ++x) big = std::max(big, rise(row[x], row[x + 1]));
  if (above != nullptr) {
    for (int x = 0; x < width; ++x) big = std::max(big, rise(row[x], above[x]));
    for (int x = 0; x + 1 < width; ++x) {
      big = std::max(big, std::max(rise(row[x], above[x + 1]), rise(row[x + 1], above[x])));
    }
  }
  largest = big;
  bits = ored;
}

// The reach of the image's rows of Sample: one pass, each row turned into ints once (a part's
// last row above it twice), shared among the threads. {0, 0} when a sample is not whole.
template <class Sample>
AltitudeReach wholeReachOfRows(const Texture& alt, int threads) {
  const int width = alt.width;
  const int height = alt.height;
  const std::size_t samples = static_cast<std::size_t>(width) * static_cast<std::size_t>(height);
  const std::size_t rowBytes = static_cast<std::size_t>(width) * sizeof(Sample);
  const std::uint8_t* pixels = alt.pixels.data();
  std::int32_t origin = 0;
  if (!wholeSamples<Sample>(pixels, 1, &origin)) return {};
  struct Part {
    bool whole = true;
    std::uint32_t largest = 0;
    std::uint32_t bits = 0;
  };
  const int parts = static_cast<int>(
      std::clamp<std::size_t>(samples / (std::size_t{1} << 20), 1, std::clamp(threads, 1, 64)));
  std::vector<Part> found(static_cast<std::size_t>(parts));
  runJobs(parts, parts, [&](int part) {
    const int first = static_cast<int>(std::int64_t{height} * part / parts);
    const int last = static_cast<int>(std::int64_t{height} * (part + 1) / parts);
    Part& mine = found[static_cast<std::size_t>(part)];
    std::vector<std::int32_t> rows(2 * static_cast<std::size_t>(width));
    std::int32_t* row = rows.data();
    std::int32_t* above = row + width;
    mine.whole = wholeSamples<Sample>(pixels + rowBytes * static_cast<std::size_t>(first), width, row);
    for (int y = first; y < last && mine.whole; ++y) {
      const bool top = y + 1 == height;
      if (!top) {
        mine.whole =
            wholeSamples<Sample>(pixels + rowBytes * static_cast<std::size_t>(y + 1), width, above);
      }
      reachOfRow32(row, top ? nullptr : above, width, origin, mine.largest, mine.bits);
      std::swap(row, above);
    }
  });
  std::uint32_t largest = 0;
  std::uint32_t bits = 0;
  for (const Part& part : found) {
    if (!part.whole) return {};
    largest = std::max(largest, part.largest);
    bits |= part.bits;
  }
  if (bits == 0) return {1, 0};  // every sample the same
  const std::int64_t lowBit = std::int64_t{1} << std::countr_zero(bits);
  std::vector<std::int32_t> values(std::min(samples, std::size_t{1} << 16));
  (void)wholeSamples<Sample>(pixels, static_cast<int>(values.size()), values.data());
  const bool shown = firstDifferencesShow(lowBit, values.size(), [&](std::size_t n) {
    return std::abs(std::int64_t{values[n]} - origin);
  });
  const std::int64_t step = shown ? lowBit : exactWholeStep(alt, threads);
  if (step > std::numeric_limits<int>::max()) return {1, std::numeric_limits<int>::max()};
  return {static_cast<int>(step),
          static_cast<int>(std::min<std::int64_t>(largest / step, std::numeric_limits<int>::max()))};
}

}  // namespace

AltitudeReach wholeReach(const Texture& alt, int threads) {
  const SampleFormat format = alt.sampleFormat;
  if (format != SampleFormat::kUInt32 && format != SampleFormat::kInt32 &&
      format != SampleFormat::kFloat32 && format != SampleFormat::kFloat64) {
    return {};
  }
  if (alt.width <= 0 || alt.height <= 0 ||
      alt.pixels.size() != static_cast<std::size_t>(alt.width) *
                               static_cast<std::size_t>(alt.height) *
                               static_cast<std::size_t>(sampleBytes(format))) {
    const std::int64_t step = exactWholeStep(alt, threads);  // rises unknown
    if (step == 0) return {};
    return {step > std::numeric_limits<int>::max() ? 1 : static_cast<int>(step),
            std::numeric_limits<int>::max()};
  }
  return visitSample(format, [&]<class Sample>(Sample) {
    if constexpr (std::is_integral_v<Sample> && sizeof(Sample) < 4) {
      return AltitudeReach{};
    } else {
      return wholeReachOfRows<Sample>(alt, threads);
    }
  });
}

int altitudeStep(const Texture& alt, int threads) {
  const SampleFormat format = alt.sampleFormat;
  if (format == SampleFormat::kUInt16 || format == SampleFormat::kInt16) {
    return sixteenBitReach(alt, threads).step;
  }
  // A step too large for the table's int is 1, which the blocFiles then check.
  return wholeReach(alt, threads).step;
}

void widenIntegerExtremes(const std::uint8_t* bytes, std::size_t count, std::uint8_t& low,
                          std::uint8_t& high) {
  extremes8(bytes, count, low, high);
}

void widenIntegerExtremes(const std::uint8_t* bytes, std::size_t count, std::uint16_t& low,
                          std::uint16_t& high) {
  extremesU16(bytes, count, low, high);
}

void widenIntegerExtremes(const std::uint8_t* bytes, std::size_t count, std::int16_t& low,
                          std::int16_t& high) {
  extremesI16(bytes, count, low, high);
}

}  // namespace quorvel
