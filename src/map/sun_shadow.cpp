#include "map/sun_shadow.h"

#include <algorithm>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <vector>

#include "map/baked_light.h"
#include "map/vector_loops.h"

namespace quorvel {
namespace {

constexpr double kInfinity = std::numeric_limits<double>::infinity();

// A threshold moved toward -inf by more than the roundings of a tangent: a rise at most it
// times the distance gives a tangent that cannot pass the threshold, with no division.
double limitOf(double threshold) {
  constexpr double kMargin = 0x1p-50;
  if (threshold > 0.0) return threshold * (1.0 - kMargin);
  if (threshold < 0.0) return threshold * (1.0 + kMargin);
  return 0.0;
}

template <class Sample>
double sampleAt(const std::uint8_t* pixels, std::size_t at) {
  Sample sample;
  std::memcpy(&sample, pixels + at * sizeof(Sample), sizeof sample);
  return static_cast<double>(sample);
}

// A height bound that holds for linear interpolations between heights up to `highest` too
// (one may pass the higher of its two pixels by a rounding or two): +inf where no sample has a
// comparable height.
double ceilingAbove(double highest) {
  const double ceiling = highest + std::abs(highest) * 0x1p-48;
  return std::isnan(ceiling) ? kInfinity : ceiling;
}

// The heights of count samples, stride samples apart from sample first.
template <class Sample>
void heightsOf(const std::uint8_t* pixels, std::size_t first, std::size_t stride, int count,
               double zScale, double* out) {
  for (int i = 0; i < count; ++i) {
    out[i] = sampleAt<Sample>(pixels, first + static_cast<std::size_t>(i) * stride) * zScale;
  }
}

// One step of the lanes' marches: each lane's sample, interpolated between h0 and h1, and its
// rise over the lane's own height; passes is 1 where the rise may give a tangent above the
// lane's threshold (limits: limitOf the threshold, +inf for none). True if any lane passes.
QUORVEL_WIDE_CLONES bool stepRises(int count, double a, double distance, const double* h0,
                                   const double* h1, const double* own, const double* limits,
                                   double* rises, unsigned char* passes) {
  unsigned char any = 0;
  for (int i = 0; i < count; ++i) {
    const double rise = ((1.0 - a) * h0[i] + a * h1[i]) - own[i];
    rises[i] = rise;
    passes[i] = rise > limits[i] * distance ? 1 : 0;
    any |= passes[i];
  }
  return any != 0;
}

// True when no lane that still marches at step k (k <= last) can see a rise of at most
// ceiling above its own height pass its threshold at any distance from near to far: the
// limit times the distance is smallest at one end, the near one for a threshold above 0, the
// far one for a threshold below.
QUORVEL_WIDE_CLONES bool allBelow(int count, int k, double ceiling, double near, double far,
                                  const int* last, const double* own, const double* limits) {
  int blocked = 0;
  for (int i = 0; i < count; ++i) {
    const double atNear = limits[i] * near;
    const double atFar = limits[i] * far;
    blocked |= static_cast<int>(k <= last[i]) &
               static_cast<int>(!(ceiling - own[i] <= (atNear < atFar ? atNear : atFar)));
  }
  return blocked == 0;
}

}  // namespace

SunShadow::SunShadow(const Texture& alt, float zScaleFactor, const Vector3& light,
                     double sunDiameter)
    : alt_(alt), worldWidth_(alt.width), worldHeight_(alt.height), zScale_(zScaleFactor) {
  aim(light, sunDiameter);
  if (!casts_) return;
  makeCeilings();
}

SunShadow::SunShadow(const Texture& alt, std::int32_t worldWidth, std::int32_t worldHeight,
                     float zScaleFactor, const Vector3& light, double sunDiameter, double ceiling)
    : alt_(alt), worldWidth_(worldWidth), worldHeight_(worldHeight), zScale_(zScaleFactor) {
  aim(light, sunDiameter);
  if (!casts_) return;
  makeCeilings();
  ceiling_ = ceiling;
}

void SunShadow::aim(const Vector3& light, double sunDiameter) {
  const double lx = light.x;
  const double ly = light.y;
  const double lz = light.z;
  casts_ = std::isfinite(lx) && std::isfinite(ly) && std::isfinite(lz) && !(lx == 0 && ly == 0) &&
           worldWidth_ >= 2 && worldHeight_ >= 2;
  if (!casts_) return;
  majorIsX_ = std::abs(lx) >= std::abs(ly);
  const double major = majorIsX_ ? std::abs(lx) : std::abs(ly);
  const double sx = lx / major;
  const double sy = ly / major;
  sign_ = (majorIsX_ ? sx : sy) > 0.0 ? 1 : -1;
  minorStep_ = majorIsX_ ? sy : sx;
  length_ = std::sqrt(sx * sx + sy * sy);
  sunElevation_ = std::atan2(lz, std::sqrt(lx * lx + ly * ly));
  radius_ = (sunDiameter / 2.0) * (kPi / 180.0);
  const double low = sunElevation_ - radius_;
  const double high = sunElevation_ + radius_;
  lowTangent_ = low > -kPi / 2.0 ? std::tan(low) : -kInfinity;
  highTangent_ = high < kPi / 2.0 ? std::tan(high) : kInfinity;
}

// The ceiling of every block of kBlock x kBlock pixels, and of the whole image: one pass over
// the samples, whose extremes in a block give those of its heights (a product rounds
// monotonically).
void SunShadow::makeCeilings() {
  blocksAcross_ = (alt_.width + kBlock - 1) / kBlock;
  const int blocksDown = (alt_.height + kBlock - 1) / kBlock;
  const auto blocks =
      static_cast<std::size_t>(blocksAcross_) * static_cast<std::size_t>(blocksDown);
  std::vector<double> low(blocks, kInfinity);
  std::vector<double> high(blocks, -kInfinity);
  visitSample(alt_.sampleFormat, [&]<class Sample>(Sample) {
    for (int y = 0; y < alt_.height; ++y) {
      const std::size_t row = static_cast<std::size_t>(y / kBlock) * blocksAcross_;
      const std::size_t first = static_cast<std::size_t>(y) * static_cast<std::size_t>(alt_.width);
      for (int x = 0; x < alt_.width; ++x) {
        const double value =
            sampleAt<Sample>(alt_.pixels.data(), first + static_cast<std::size_t>(x));
        double& lowest = low[row + static_cast<std::size_t>(x / kBlock)];
        double& highest = high[row + static_cast<std::size_t>(x / kBlock)];
        lowest = value < lowest ? value : lowest;
        highest = value > highest ? value : highest;
      }
    }
  });
  blockCeilings_.resize(blocks);
  double highestOfAll = -kInfinity;
  bool comparable = true;
  for (std::size_t b = 0; b < blocks; ++b) {
    double highest = std::numeric_limits<double>::quiet_NaN();
    if (low[b] <= high[b]) {
      const double a = low[b] * zScale_;
      const double c = high[b] * zScale_;
      highest = a > c ? a : c;
    }
    blockCeilings_[b] = ceilingAbove(highest);
    if (std::isnan(highest)) comparable = false;
    highestOfAll = highest > highestOfAll ? highest : highestOfAll;
  }
  ceiling_ = comparable ? ceilingAbove(highestOfAll) : kInfinity;
}

// The ceiling of the pixels from major coordinate majorLow to majorHigh and minor coordinate
// minorLow to minorHigh, all inside the image; of the part of them in the window alt holds,
// which holds every sample a march reads.
double SunShadow::regionCeiling(int majorLow, int majorHigh, int minorLow, int minorHigh) const {
  const auto block = [](int at, int origin, int size) {
    return (std::clamp(at - origin, 0, size - 1)) / kBlock;
  };
  const int x0 = block(majorIsX_ ? majorLow : minorLow, alt_.x0, alt_.width);
  const int x1 = block(majorIsX_ ? majorHigh : minorHigh, alt_.x0, alt_.width);
  const int y0 = block(majorIsX_ ? minorLow : majorLow, alt_.y0, alt_.height);
  const int y1 = block(majorIsX_ ? minorHigh : majorHigh, alt_.y0, alt_.height);
  double ceiling = -kInfinity;
  for (int by = y0; by <= y1; ++by) {
    const double* row = &blockCeilings_[static_cast<std::size_t>(by) * blocksAcross_];
    for (int bx = x0; bx <= x1; ++bx) ceiling = row[bx] > ceiling ? row[bx] : ceiling;
  }
  return ceiling;
}

SunShadow::Lanes::Lanes(int span)
    : count(span),
      diffuse(static_cast<std::size_t>(span)),
      own(diffuse.size()),
      limits(diffuse.size()),
      steepest(diffuse.size()),
      h0(diffuse.size()),
      h1(diffuse.size()),
      rises(diffuse.size()),
      last(diffuse.size()),
      passes(diffuse.size()) {}

// The last step worth taking from a pixel of this height with `available` steps to the edge
// of the image: beyond it no sample, at most ceiling_ high, is seen above the threshold
// tangent. Only a threshold above 0 ends a march early; the margin covers the roundings of
// the tangents and of this estimate.
int SunShadow::lastUseful(double height, double threshold, int available) const {
  if (!(threshold > 0.0)) return available;
  const double rise = ceiling_ - height;
  if (rise <= 0.0) return 0;
  const double steps = rise / (threshold * kPixelSpacing * length_);
  if (!(steps < available)) return available;
  return std::min(available, static_cast<int>(steps * (1.0 + 0x1p-40)) + 2);
}

void SunShadow::shade(int x0, int y0, int columns, int rows, double* diffuse) const {
  if (!casts_) return;
  const int count = majorIsX_ ? columns : rows;
  const int lines = majorIsX_ ? rows : columns;
  Lanes lanes(count);
  visitSample(alt_.sampleFormat, [&]<class Sample>(Sample) {
    // A line of lanes runs along the major axis, so that at every step they share the minor
    // coordinate of their samples: rows when x is the major axis, columns when y is.
    const std::size_t laneStride = majorIsX_ ? 1 : static_cast<std::size_t>(columns);
    for (int line = 0; line < lines; ++line) {
      double* first =
          majorIsX_ ? diffuse + static_cast<std::size_t>(line) * columns : diffuse + line;
      for (int i = 0; i < count; ++i) {
        lanes.diffuse[static_cast<std::size_t>(i)] = first[i * laneStride];
      }
      shadeLine<Sample>(majorIsX_ ? x0 : y0, majorIsX_ ? y0 + line : x0 + line, lanes, 1,
                        std::numeric_limits<int>::max(), true, true);
      for (int i = 0; i < count; ++i) {
        first[i * laneStride] = lanes.diffuse[static_cast<std::size_t>(i)];
      }
    }
  });
}

void SunShadow::march(Marches& m, int fromStep, int toStep) const {
  const std::size_t pixels =
      static_cast<std::size_t>(m.columns) * static_cast<std::size_t>(m.rows);
  if (fromStep == 0) {
    m.own.assign(pixels, 0.0);
    m.steepest.assign(pixels, -kInfinity);
    m.last.assign(pixels, 0);
  }
  if (!casts_) return;
  const int count = majorIsX_ ? m.columns : m.rows;
  const int lines = majorIsX_ ? m.rows : m.columns;
  Lanes lanes(count);
  std::fill(lanes.diffuse.begin(), lanes.diffuse.end(), 1.0);
  visitSample(alt_.sampleFormat, [&]<class Sample>(Sample) {
    const std::size_t laneStride = majorIsX_ ? 1 : static_cast<std::size_t>(m.columns);
    for (int line = 0; line < lines; ++line) {
      const std::size_t first =
          majorIsX_ ? static_cast<std::size_t>(line) * static_cast<std::size_t>(m.columns)
                    : static_cast<std::size_t>(line);
      for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        lanes.own[i] = m.own[first + i * laneStride];
        lanes.steepest[i] = m.steepest[first + i * laneStride];
        lanes.last[i] = m.last[first + i * laneStride];
      }
      shadeLine<Sample>(majorIsX_ ? m.x0 : m.y0, majorIsX_ ? m.y0 + line : m.x0 + line, lanes,
                        fromStep, toStep, fromStep == 0, false);
      for (std::size_t i = 0; i < static_cast<std::size_t>(count); ++i) {
        m.own[first + i * laneStride] = lanes.own[i];
        m.steepest[first + i * laneStride] = lanes.steepest[i];
        m.last[first + i * laneStride] = lanes.last[i];
      }
    }
  });
}

void SunShadow::finish(const Marches& m, double* shares) const {
  for (int y = 0; y < m.rows; ++y) {
    for (int x = 0; x < m.columns; ++x) {
      const std::size_t at =
          static_cast<std::size_t>(y) * static_cast<std::size_t>(m.columns) +
          static_cast<std::size_t>(x);
      shares[at] = !casts_ ? 1.0
                   : majorIsX_ ? shareOf(m.steepest[at], m.x0 + x, m.y0 + y)
                               : shareOf(m.steepest[at], m.y0 + y, m.x0 + x);
    }
  }
}

double SunShadow::shareOf(double steepest, int major, int minor) const {
  const int majorSize = majorIsX_ ? worldWidth_ : worldHeight_;
  const int minorSize = majorIsX_ ? worldHeight_ : worldWidth_;
  // Every sample of a line shares its minor coordinate: the first decides whether there are
  // samples at all (a pixel at the edge toward the light has none along the major axis).
  const double firstMinor = minor + minorStep_;
  const bool minorInside = firstMinor >= 0.0 && firstMinor <= minorSize - 1;
  const bool sampled = minorInside && (sign_ > 0 ? major < majorSize - 1 : major > 0);
  const double horizon = sampled ? steepest : 0.0;  // flat ground beyond the edge
  if (horizon >= highTangent_) return 0.0;
  if (horizon > lowTangent_) return sunFactor(sunElevation_, std::atan(horizon), radius_);
  return 1.0;
}

// Marches the count pixels from major coordinate firstMajor on, at minor coordinate minor,
// all at once: at step k they share the minor coordinate of their samples, its interpolation
// and the distance, and their samples are neighbours along the major axis.
template <class Sample>
void SunShadow::shadeLine(int firstMajor, int minor, Lanes& lanes, int fromStep, int toStep,
                          bool begins, bool ends) const {
  const int width = alt_.width;
  const int majorSize = majorIsX_ ? worldWidth_ : worldHeight_;
  const int minorSize = majorIsX_ ? worldHeight_ : worldWidth_;
  const std::size_t majorStride = majorIsX_ ? 1 : static_cast<std::size_t>(width);
  const std::size_t minorStride = majorIsX_ ? static_cast<std::size_t>(width) : 1;
  // Samples are addressed by their world coordinates from here, the window's corner taken
  // off: the sums of unsigned products wrap back into the window.
  const std::uint8_t* pixels = alt_.pixels.data();
  const std::size_t corner = static_cast<std::size_t>(majorIsX_ ? alt_.x0 : alt_.y0) * majorStride +
                             static_cast<std::size_t>(majorIsX_ ? alt_.y0 : alt_.x0) * minorStride;
  const int count = lanes.count;
  const auto n = static_cast<std::size_t>(count);
  double* diffuse = lanes.diffuse.data();
  double* own = lanes.own.data();
  double* limits = lanes.limits.data();
  double* steepest = lanes.steepest.data();
  double* h0 = lanes.h0.data();
  double* h1 = lanes.h1.data();
  double* rises = lanes.rises.data();
  int* last = lanes.last.data();
  unsigned char* passes = lanes.passes.data();
  if (begins) {
    std::fill(steepest, steepest + n, -kInfinity);
    heightsOf<Sample>(pixels,
                      static_cast<std::size_t>(firstMajor) * majorStride +
                          static_cast<std::size_t>(minor) * minorStride - corner,
                      majorStride, count, zScale_, own);
  }
  // Only tangents above a lane's threshold can change its f: below the sun's lower edge the
  // disc is whole; once one is above it, only a steeper one changes the penumbra. A lane whose
  // factor is 0 needs no f, nor one whose march has ended (limit +inf). A march taken up again
  // has its threshold from the steepest tangent found so far, as step leaves it.
  int steps = 0;
  for (std::size_t i = 0; i < n; ++i) {
    if (begins) {
      const int major = firstMajor + static_cast<int>(i);
      const int available = sign_ > 0 ? majorSize - 1 - major : major;
      last[i] = diffuse[i] > 0.0 ? lastUseful(own[i], lowTangent_, available) : 0;
    }
    limits[i] = last[i] > 0 ? limitOf(steepest[i] > lowTangent_ ? steepest[i] : lowTangent_)
                            : kInfinity;
    steps = std::max(steps, last[i]);
  }
  // The lanes whose samples at step k are inside the image: a run, shrinking as k grows.
  const auto firstLane = [&](int k) { return sign_ > 0 ? 0 : std::max(0, k - firstMajor); };
  const auto endLane = [&](int k) {
    return sign_ > 0 ? std::min(count, majorSize - k - firstMajor) : count;
  };
  // True when no sample from step k to step last can pass its lane's threshold: the rises are
  // at most the ceiling of the blocks they lie in, and the distances only grow.
  const auto chunkBelow = [&](int k, int lastStep) {
    const int begin = firstLane(k);
    const int end = endLane(k);
    const double m0 = minor + k * minorStep_;
    const double m1 = minor + lastStep * minorStep_;
    const int minorLow = std::clamp(
        std::min(static_cast<int>(std::floor(std::min(m0, m1))), minorSize - 2), 0, minorSize - 1);
    const int minorHigh =
        std::clamp(static_cast<int>(std::floor(std::max(m0, m1))) + 1, 0, minorSize - 1);
    const int near = firstMajor + (sign_ > 0 ? begin + k : end - 1 - k);
    const int far = firstMajor + (sign_ > 0 ? end - 1 + lastStep : begin - lastStep);
    const double ceiling =
        regionCeiling(std::clamp(std::min(near, far), 0, majorSize - 1),
                      std::clamp(std::max(near, far), 0, majorSize - 1), minorLow, minorHigh);
    return allBelow(end - begin, k, ceiling, kPixelSpacing * k * length_,
                    kPixelSpacing * lastStep * length_, last + begin, own + begin,
                    limits + begin);
  };
  // One step of every lane; false once the samples have left the image.
  const auto step = [&](int k) {
    const double m = minor + k * minorStep_;
    if (!(m >= 0.0 && m <= minorSize - 1)) return false;
    const int i0 = std::min(static_cast<int>(std::floor(m)), minorSize - 2);
    const double a = m - i0;
    const double distance = kPixelSpacing * k * length_;
    const int begin = firstLane(k);
    const int end = endLane(k);
    if (begin >= end) return false;
    const std::size_t at =
        static_cast<std::size_t>(firstMajor + begin + k * sign_) * majorStride - corner;
    heightsOf<Sample>(pixels, at + static_cast<std::size_t>(i0) * minorStride, majorStride,
                      end - begin, zScale_, h0 + begin);
    heightsOf<Sample>(pixels, at + static_cast<std::size_t>(i0 + 1) * minorStride, majorStride,
                      end - begin, zScale_, h1 + begin);
    if (!stepRises(end - begin, a, distance, h0 + begin, h1 + begin, own + begin, limits + begin,
                   rises + begin, passes + begin)) {
      return true;
    }
    bool steeper = false;
    for (int i = begin; i < end; ++i) {
      const auto l = static_cast<std::size_t>(i);
      if (passes[l] == 0 || k > last[l]) continue;
      const double tangent = sampleTangent(rises[l], k, length_);
      if (!(tangent > std::max(steepest[l], lowTangent_))) continue;
      steepest[l] = tangent;
      steeper = true;
      if (tangent >= highTangent_) {
        limits[l] = kInfinity;  // in full shadow: done
        last[l] = 0;
        continue;
      }
      limits[l] = limitOf(tangent);
      const int major = firstMajor + i;
      last[l] =
          std::min(last[l], lastUseful(own[l], tangent, sign_ > 0 ? majorSize - 1 - major : major));
    }
    // A steeper tangent shortens its lane's march, and perhaps the line's.
    if (steeper) steps = *std::max_element(last, last + n);
    return true;
  };
  for (int k = std::max(1, fromStep); k <= std::min(steps, toStep);) {
    const int chunkEnd = std::min({steps, toStep, k + kChunkSteps - 1});
    if (firstLane(k) < endLane(k) && chunkBelow(k, chunkEnd)) {
      k = chunkEnd + 1;
      continue;
    }
    bool inside = true;
    for (; inside && k <= std::min(steps, chunkEnd); ++k) inside = step(k);
    if (!inside) break;
  }
  if (!ends) return;
  for (std::size_t i = 0; i < n; ++i) {
    if (!(diffuse[i] > 0.0)) continue;
    diffuse[i] = diffuse[i] * shareOf(steepest[i], firstMajor + static_cast<int>(i), minor);
  }
}

}  // namespace quorvel

namespace quorvel {

double sunCeiling(double lowestSample, double highestSample, float zScaleFactor) {
  const double a = lowestSample * zScaleFactor;
  const double c = highestSample * zScaleFactor;
  const double highest = a > c ? a : c;
  return std::isnan(highest) ? kInfinity : ceilingAbove(highest);
}

SunReach sunReach(std::int32_t worldWidth, std::int32_t worldHeight, const Vector3& light, double sunDiameter, double ceiling, double lowestHeight,
                  std::int32_t x0, std::int32_t y0, std::int32_t columns, std::int32_t rows) {
  SunReach reach{x0, y0, columns, rows, 0};
  const double lx = light.x;
  const double ly = light.y;
  const double lz = light.z;
  if (!(std::isfinite(lx) && std::isfinite(ly) && std::isfinite(lz) && !(lx == 0 && ly == 0))) {
    return reach;
  }
  // As the marches count their steps: whole pixels along the major axis, at most so many
  // that a sample at the ceiling could still be seen above the sun's lower edge.
  const bool majorIsX = std::abs(lx) >= std::abs(ly);
  const double major = majorIsX ? std::abs(lx) : std::abs(ly);
  const double sx = lx / major;
  const double sy = ly / major;
  const double length = std::sqrt(sx * sx + sy * sy);
  const double low = std::atan2(lz, std::sqrt(lx * lx + ly * ly)) - (sunDiameter / 2.0) * (kPi / 180.0);
  const double threshold = low > -kPi / 2.0 ? std::tan(low) : -kInfinity;
  const std::int64_t largest = std::max(worldWidth, worldHeight);
  std::int64_t steps = largest;
  if (threshold > 0.0) {
    const double rise = ceiling - lowestHeight;
    const double bound = rise / (threshold * kPixelSpacing * length);
    if (!(rise > 0.0)) {
      steps = 0;
    } else if (bound < static_cast<double>(largest)) {
      steps = std::min<std::int64_t>(largest, static_cast<std::int64_t>(bound * (1.0 + 0x1p-40)) + 2);
    }
  }
  reach.steps = steps;
  const std::int64_t minorSteps =
      static_cast<std::int64_t>(std::ceil(static_cast<double>(steps) * std::abs(majorIsX ? sy : sx))) + 1;
  const auto grow = [](std::int64_t from, std::int64_t size, std::int64_t by, bool up,
                       std::int64_t world, std::int32_t& start, std::int32_t& count) {
    const std::int64_t first = up ? from : std::max<std::int64_t>(0, from - by);
    const std::int64_t last = up ? std::min(world - 1, from + size - 1 + by) : from + size - 1;
    start = static_cast<std::int32_t>(first);
    count = static_cast<std::int32_t>(last - first + 1);
  };
  const bool xUp = (majorIsX ? sx : sx) > 0.0;
  const bool yUp = sy > 0.0;
  grow(x0, columns, majorIsX ? steps : minorSteps, xUp, worldWidth, reach.x0, reach.columns);
  grow(y0, rows, majorIsX ? minorSteps : steps, yUp, worldHeight, reach.y0, reach.rows);
  // A minor step of 0 reads the next row or column too (interpolation between i0 and i0 + 1).
  if (majorIsX && sy == 0.0) grow(y0, rows, 1, true, worldHeight, reach.y0, reach.rows);
  if (!majorIsX && sx == 0.0) grow(x0, columns, 1, true, worldWidth, reach.x0, reach.columns);
  return reach;
}

SunReach sunStretch(std::int32_t worldWidth, std::int32_t worldHeight, const Vector3& light,
                    std::int32_t x0, std::int32_t y0, std::int32_t columns, std::int32_t rows,
                    int fromStep, int toStep) {
  const double lx = light.x;
  const double ly = light.y;
  if (!(std::isfinite(lx) && std::isfinite(ly) && std::isfinite(double{light.z}) &&
        !(lx == 0 && ly == 0))) {
    return fromStep == 0 ? SunReach{x0, y0, columns, rows, 0} : SunReach{0, 0, 0, 0, 0};
  }
  // As the marches step: whole pixels along the major axis, the minor step times k along the
  // other, read with the pixel after it.
  const bool majorIsX = std::abs(lx) >= std::abs(ly);
  const double major = majorIsX ? std::abs(lx) : std::abs(ly);
  const int sign = (majorIsX ? lx / major : ly / major) > 0.0 ? 1 : -1;
  const double minorStep = majorIsX ? ly / major : lx / major;
  const std::int64_t majorSize = majorIsX ? worldWidth : worldHeight;
  const std::int64_t minorSize = majorIsX ? worldHeight : worldWidth;
  const std::int64_t major0 = majorIsX ? x0 : y0;
  const std::int64_t majorCount = majorIsX ? columns : rows;
  const std::int64_t minor0 = majorIsX ? y0 : x0;
  const std::int64_t minorCount = majorIsX ? rows : columns;
  const std::int64_t majorLow =
      std::max<std::int64_t>(0, sign > 0 ? major0 + fromStep : major0 - toStep);
  const std::int64_t majorHigh = std::min<std::int64_t>(
      majorSize - 1, sign > 0 ? major0 + majorCount - 1 + toStep : major0 + majorCount - 1 - fromStep);
  const double shiftLow = std::min(fromStep * minorStep, toStep * minorStep);
  const double shiftHigh = std::max(fromStep * minorStep, toStep * minorStep);
  const std::int64_t minorLow = std::max<std::int64_t>(
      0, std::min<std::int64_t>(static_cast<std::int64_t>(std::floor(static_cast<double>(minor0) + shiftLow)),
                                minorSize - 2));
  const std::int64_t minorHigh = std::min<std::int64_t>(
      minorSize - 1,
      static_cast<std::int64_t>(std::floor(static_cast<double>(minor0 + minorCount - 1) + shiftHigh)) + 1);
  if (majorLow > majorHigh || minorLow > minorHigh) return SunReach{0, 0, 0, 0, 0};
  const auto narrow = [](std::int64_t value) { return static_cast<std::int32_t>(value); };
  return majorIsX ? SunReach{narrow(majorLow), narrow(minorLow), narrow(majorHigh - majorLow + 1),
                             narrow(minorHigh - minorLow + 1), 0}
                  : SunReach{narrow(minorLow), narrow(majorLow), narrow(minorHigh - minorLow + 1),
                             narrow(majorHigh - majorLow + 1), 0};
}

}  // namespace quorvel
