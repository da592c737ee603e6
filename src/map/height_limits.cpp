#include "map/height_limits.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <string>
#include <type_traits>
#include <utility>
#include <vector>

#include "failure.h"
#include "map/cell_encoding.h"
#include "map/normals.h"
#include "worker_threads.h"

namespace quorvel {
namespace {

template <class Sample>
Sample sampleAt(const Texture& alt, std::size_t index) {
  Sample sample;
  std::memcpy(&sample, alt.pixels.data() + index * sizeof(Sample), sizeof sample);
  return sample;
}

// Eight running extremes, each over every eighth sample, which the compiler keeps in the
// lanes of vectors: a single chain would wait on each comparison. The least and greatest do
// not depend on the order the samples are met in (but for the sign of a zero, which no check
// looks at; a NaN is never taken unless it is the first sample, either way: every part starts
// from the first sample). The samples are shared among up to threads threads.
template <class Sample>
std::pair<Sample, Sample> sampleRange(const Texture& alt, int threads = 1) {
  constexpr std::size_t kLanes = 8;
  const std::size_t count = alt.pixels.size() / sizeof(Sample);
  const Sample first = sampleAt<Sample>(alt, 0);
  const int parts = static_cast<int>(
      std::clamp<std::size_t>(count / (std::size_t{1} << 22), 1, std::clamp(threads, 1, 64)));
  std::vector<std::pair<Sample, Sample>> found(static_cast<std::size_t>(parts), {first, first});
  runJobs(parts, parts, [&](int part) {
    std::size_t i = std::max<std::size_t>(1, count * static_cast<std::size_t>(part) / parts);
    const std::size_t end = count * static_cast<std::size_t>(part + 1) / parts;
    std::array<Sample, kLanes> lows;
    std::array<Sample, kLanes> highs;
    lows.fill(first);
    highs.fill(first);
    for (; i + kLanes <= end; i += kLanes) {
      for (std::size_t lane = 0; lane < kLanes; ++lane) {
        const Sample sample = sampleAt<Sample>(alt, i + lane);
        lows[lane] = std::min(lows[lane], sample);
        highs[lane] = std::max(highs[lane], sample);
      }
    }
    for (; i < end; ++i) {
      const Sample sample = sampleAt<Sample>(alt, i);
      lows[0] = std::min(lows[0], sample);
      highs[0] = std::max(highs[0], sample);
    }
    auto& [low, high] = found[static_cast<std::size_t>(part)];
    for (std::size_t lane = 0; lane < kLanes; ++lane) {
      low = std::min(low, lows[lane]);
      high = std::max(high, highs[lane]);
    }
  });
  auto [low, high] = found[0];
  for (const auto& [partLow, partHigh] : found) {
    low = std::min(low, partLow);
    high = std::max(high, partHigh);
  }
  return {low, high};
}

// The largest difference of two samples that make an edge of a triangle, taken in double as
// the encoder takes it. The diagonals are those of the whole image, from pixels whose x + y
// there is even.
template <class Sample>
double largestRise(const Texture& alt) {
  const std::size_t parity = static_cast<std::size_t>(alt.x0 + alt.y0) % 2;
  const auto width = static_cast<std::size_t>(alt.width);
  const auto height = static_cast<std::size_t>(alt.height);
  double largest = 0.0;
  const auto against = [&](double a, std::size_t x, std::size_t y) {
    largest =
        std::max(largest, std::fabs(a - static_cast<double>(sampleAt<Sample>(alt, y * width + x))));
  };
  for (std::size_t y = 0; y < height; ++y) {
    for (std::size_t x = 0; x < width; ++x) {
      const auto a = static_cast<double>(sampleAt<Sample>(alt, y * width + x));
      if (x + 1 < width) against(a, x + 1, y);
      if (y + 1 < height) against(a, x, y + 1);
      if ((x + y + parity) % 2 != 0 || x + 1 == width) continue;
      if (y + 1 < height) against(a, x + 1, y + 1);
      if (y > 0) against(a, x + 1, y - 1);
    }
  }
  return largest;
}

// Heights grow or fall with the sample, so the least and greatest give the extremes, and no
// rise is larger than their difference.
bool heightsFit(double low, double high, const Settings& settings) {
  return std::isfinite(heightOf(low, settings)) && std::isfinite(heightOf(high, settings));
}

// A triangle's cross product takes differences of two edges' z times 10, so an edge z beyond
// a twentieth of the largest float makes a component infinite and the normal NaN, though the
// edge itself is finite.
bool riseFits(double rise, const Settings& settings) {
  return std::fabs(edgeVector({1, 0}, rise, settings.zScaleFactor).z) <=
         std::numeric_limits<float>::max() / 20;
}

[[noreturn]] void refuse(const std::string& altName, double low, double high,
                         const Settings& settings) {
  char hint[256];
  std::snprintf(hint, sizeof hint,
                ": altitudes from %.9g to %.9g, with sea level %.9g and z scale factor %.9g, give"
                " heights beyond a 32-bit float (about 3.4e38) or rises beyond a twentieth of"
                " it, whose normals overflow; lower the z scale factor\n",
                low, high, double{settings.seaLevel}, double{settings.zScaleFactor});
  throw Failure(ErrorKind::kRange, "erreur: " + altName + " donne des hauteurs hors limites\n",
                altName + hint);
}

}  // namespace

bool heightLimitsSettledByType(const Texture& alt, const Settings& settings) {
  return visitSample(alt.sampleFormat, [&]<class Sample>(Sample) {
    if constexpr (std::is_integral_v<Sample> && sizeof(Sample) <= 2) {
      const double low = std::numeric_limits<Sample>::lowest();
      const double high = std::numeric_limits<Sample>::max();
      return heightsFit(low, high, settings) && riseFits(high - low, settings);
    } else {
      return false;
    }
  });
}

void checkHeightLimits(const Texture& alt, const Settings& settings, int threads) {
  if (alt.pixels.empty() || heightLimitsSettledByType(alt, settings)) return;
  double low = 0.0;
  double high = 0.0;
  const bool settled = visitSample(alt.sampleFormat, [&]<class Sample>(Sample) {
    const auto [least, greatest] = sampleRange<Sample>(alt, threads);
    low = static_cast<double>(least);
    high = static_cast<double>(greatest);
    return (heightsFit(low, high, settings) && riseFits(high - low, settings)) ||
           (heightsFit(low, high, settings) && riseFits(largestRise<Sample>(alt), settings));
  });
  if (!settled) refuse(alt.fileName, low, high, settings);
}

void widenAltitudeSpan(const Texture& window, AltitudeSpan& span) {
  if (window.pixels.empty()) return;
  visitSample(window.sampleFormat, [&]<class Sample>(Sample) {
    const auto [least, greatest] = sampleRange<Sample>(window);
    span.low = span.any ? std::min(span.low, static_cast<double>(least)) : least;
    span.high = span.any ? std::max(span.high, static_cast<double>(greatest)) : greatest;
    span.any = true;
    span.largestRise = std::max(span.largestRise, largestRise<Sample>(window));
  });
}

void checkHeightLimits(const std::string& altName, const AltitudeSpan& span,
                       const Settings& settings) {
  if (!span.any ||
      (heightsFit(span.low, span.high, settings) && riseFits(span.largestRise, settings))) {
    return;
  }
  refuse(altName, span.low, span.high, settings);
}

}  // namespace quorvel
