#include "map/sky_view.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>
#include <memory>
#include <span>
#include <type_traits>
#include <vector>

#include "map/baked_light.h"
#include "map/vector_loops.h"
#include "page_advice.h"
#include "worker_threads.h"

namespace quorvel {
namespace {

// Lines swept side by side: at every step their pixels are neighbours in one row (or, for the
// horizontal directions, one column), so that each step reads a few cache lines.
constexpr int kLanes = 64;

// A direction seen in a frame where its lines climb the rows: a step along u is `across`
// columns (0 or more) and `up` rows (1 or 2) of the frame. Pixel (X, Y) of the frame is
// sample origin + X strideX + Y strideY of the image: the frame mirrors the image so that u
// points up and right, and turns it a quarter for the horizontal directions.
struct Frame {
  int columns;
  int rows;
  std::ptrdiff_t origin;
  std::ptrdiff_t strideX;
  std::ptrdiff_t strideY;
  int across;
  int up;
  double length;  // |u| in pixels
  double weight;
};

Frame frameOf(const SkyDirection& u, int width, int height) {
  Frame frame{};
  frame.length = std::sqrt(static_cast<double>(u.dx * u.dx + u.dy * u.dy));
  frame.weight = u.weight;
  const std::ptrdiff_t w = width;
  if (u.dy == 0) {
    frame.columns = height;
    frame.rows = width;
    frame.strideX = w;
    frame.strideY = u.dx > 0 ? 1 : -1;
    frame.origin = u.dx > 0 ? 0 : w - 1;
    frame.across = 0;
    frame.up = 1;
    return frame;
  }
  frame.columns = width;
  frame.rows = height;
  frame.strideX = u.dx >= 0 ? 1 : -1;
  frame.strideY = u.dy > 0 ? w : -w;
  frame.origin = (u.dx >= 0 ? 0 : w - 1) + (u.dy > 0 ? 0 : (height - 1) * w);
  frame.across = u.dx >= 0 ? u.dx : -u.dx;
  frame.up = u.dy > 0 ? u.dy : -u.dy;
  return frame;
}

int floorDiv(int a, int b) { return a / b - (a % b != 0 && (a < 0) != (b < 0) ? 1 : 0); }

// Where the samples or sums of a frame's pixel (X, Y) are: origin + X strideX + Y strideY.
struct Addressing {
  std::ptrdiff_t origin;
  std::ptrdiff_t strideX;
  std::ptrdiff_t strideY;
  [[nodiscard]] std::ptrdiff_t at(std::ptrdiff_t x, std::ptrdiff_t y) const {
    return origin + x * strideX + y * strideY;
  }
};

// The part of a frame swept: its pixels X0 ... X1, Y0 ... Y1, the whole frame for a whole
// image. Lines and steps keep the whole frame's numbers, so that distances along a line are
// those of the whole image.
struct Span {
  Frame frame;
  int x0;
  int x1;
  int y0;
  int y1;
  Addressing pixels;
  Addressing sums;
};

// The rows of class c (c, c + up, c + 2 up, ...) hold whole lines. Line o of a class is the
// pixels (o + across j, c + up j) of the span, j counting the class's rows from the frame's
// first; a strip is kLanes consecutive lines.
int firstStep(const Span& span, int c) { return (span.y0 - c + span.frame.up - 1) / span.frame.up; }
int lastStep(const Span& span, int c) {
  return span.y1 < c ? -1 : (span.y1 - c) / span.frame.up;
}
int firstLine(const Span& span, int c) { return span.x0 - span.frame.across * lastStep(span, c); }
int stripsOf(const Span& span, int c) {
  if (lastStep(span, c) < firstStep(span, c)) return 0;
  const int lines = span.x1 - span.frame.across * firstStep(span, c) - firstLine(span, c) + 1;
  return (lines + kLanes - 1) / kLanes;
}

// Each lane's upper convex hull of the heights ahead of it on its line, nearest on top: the
// steepest view from a pixel ends on a vertex of the hull of what lies beyond it, and the
// vertices a new pixel hides from view are hidden from every pixel before it too. Its top
// three vertices are held lane beside lane, so that the usual step (a pixel hides the one
// before it and no more) is worked out for every lane at once without a branch; the rest of
// each hull lies in memory, reached only by the lanes that push onto it or pop from it.
//
// Value is double, the heights (samples times the z scale factor) and rows as they are; or,
// for 8-bit and 16-bit samples under a z scale factor above 0, std::int32_t, the samples and
// rows themselves. The hulls compare products of a rise and a distance, exact in double
// where skyOcclusion takes integers, so the integers take the same decisions, twice as many
// lanes a vector.
template <class Value>
struct Vertex {
  Value height;
  Value row;  // its row in its class, a whole number: distances are exact differences
};

template <class Value>
struct Scratch {
  // A count as wide as the values, so that its lanes line up with theirs.
  using Count = std::conditional_t<sizeof(Value) == 8, std::int64_t, std::int32_t>;
  explicit Scratch(int lineLength)
      : capacity(lineLength),
        hulls(std::make_unique_for_overwrite<Vertex<Value>[]>(static_cast<std::size_t>(kLanes) *
                                                              lineLength)) {}
  int capacity;
  // Lane i's vertices below its top three, from i x capacity, each written before it is read:
  // a world makes a scratch for every tile's sweeps, and clearing it would be wasted.
  std::unique_ptr<Vertex<Value>[]> hulls;
  // Each lane's number of vertices, its top three (top, second, third) and, after a step, the
  // third it had before (spilled).
  alignas(64) Count sizes[kLanes] = {};
  alignas(64) Value topHeight[kLanes] = {};
  alignas(64) Value topRow[kLanes] = {};
  alignas(64) Value secondHeight[kLanes] = {};
  alignas(64) Value secondRow[kLanes] = {};
  alignas(64) Value thirdHeight[kLanes] = {};
  alignas(64) Value thirdRow[kLanes] = {};
  alignas(64) Value spillHeight[kLanes] = {};
  alignas(64) Value spillRow[kLanes] = {};
  // The current step's pixels: their heights, then the rise and distance of the steepest view.
  alignas(64) Value heights[kLanes] = {};
  alignas(64) Value rises[kLanes] = {};
  alignas(64) Value distances[kLanes] = {};
  // What a step leaves to each lane's memory: 1, its old third to push; 2, more to pop.
  alignas(64) Count pending[kLanes] = {};
  // A sweep for hulls alone: each block's highest sample of each lane, and the highest nearer
  // than it; the lanes each block steps, a bit each; the strip's samples.
  std::vector<Value> blockHighs;
  std::vector<Value> nearerHighs;
  std::vector<std::uint64_t> steppedLanes;
  std::vector<Value> stepHeights;  // the strip's samples, kLanes a step, read once
};

// Adds the share of the sky each lane's view hides to its pixel's sum, stride samples apart
// (first: stores it, 0.0 + term being the term). A lane with nothing ahead of it looks along
// the level (rise 0, one step), so that every lane goes through the same operations. Integer
// rises are samples, times zScale here: the difference of the two heights, exactly.
template <class Value>
[[gnu::always_inline]] inline void addSkyTermsOf(int count, const Value* rises,
                                                 const Value* distances, double zScale,
                                                 double length, double weight, bool first,
                                                 double* sums, std::ptrdiff_t stride) {
  const auto riseOf = [&](int i) {
    if constexpr (std::is_same_v<Value, double>) {
      return rises[i];
    } else {
      return static_cast<double>(rises[i]) * zScale;
    }
  };
  if (stride == 1) {
    for (int i = 0; i < count; ++i) {
      const double tangent = sampleTangent(riseOf(i), static_cast<double>(distances[i]), length);
      const double term = skyTerm(weight, tangent > 0.0 ? tangent : 0.0);
      sums[i] = first ? term : sums[i] + term;
    }
    return;
  }
  for (int i = 0; i < count; ++i) {
    const double tangent = sampleTangent(riseOf(i), static_cast<double>(distances[i]), length);
    const double term = skyTerm(weight, tangent > 0.0 ? tangent : 0.0);
    double& sum = sums[i * stride];
    sum = first ? term : sum + term;
  }
}

QUORVEL_WIDE_CLONES void addSkyTerms(int count, const double* rises, const double* distances,
                                     double zScale, double length, double weight, bool first,
                                     double* sums, std::ptrdiff_t stride) {
  addSkyTermsOf(count, rises, distances, zScale, length, weight, first, sums, stride);
}

QUORVEL_WIDE_CLONES void addSkyTerms(int count, const std::int32_t* rises,
                                     const std::int32_t* distances, double zScale, double length,
                                     double weight, bool first, double* sums,
                                     std::ptrdiff_t stride) {
  addSkyTermsOf(count, rises, distances, zScale, length, weight, first, sums, stride);
}

// How many steps ahead the sums and samples of a strip are fetched: each step moves to another
// row of the image, a stride the processor does not follow by itself.
constexpr int kPrefetchSteps = 8;

// One step of lanes [begin, end), their pixels at `row`: the steepest view of each over the
// hull of what lies ahead of it (nothing ahead gives the level view, rise 0 over one step),
// which then takes the pixel in. A vertex goes when the one behind it is seen at least as
// steeply; this settles the lanes that pop at most their top two or that pop into a hull of
// three, marking the others pending for finishStep.
template <class Value>
[[gnu::always_inline]] inline void stepLanesOf(int begin, int end, Value row,
                                               Scratch<Value>& s) {
  using Count = typename Scratch<Value>::Count;
  for (int i = begin; i < end; ++i) {
    const Count n = s.sizes[i];
    const Value h = s.heights[i];
    const Value riseTop = s.topHeight[i] - h;
    const Value distanceTop = s.topRow[i] - row;
    const Value riseSecond = s.secondHeight[i] - h;
    const Value distanceSecond = s.secondRow[i] - row;
    const Value riseThird = s.thirdHeight[i] - h;
    const Value distanceThird = s.thirdRow[i] - row;
    const bool popTop = (n >= 2) & (riseSecond * distanceTop >= riseTop * distanceSecond);
    const bool popSecond =
        popTop & (n >= 3) & (riseThird * distanceSecond >= riseSecond * distanceThird);
    const Value riseOne = popTop ? riseSecond : riseTop;
    const Value distanceOne = popTop ? distanceSecond : distanceTop;
    const Value riseTwo = popSecond ? riseThird : riseOne;
    const Value distanceTwo = popSecond ? distanceThird : distanceOne;
    s.rises[i] = n == 0 ? Value{0} : riseTwo;
    s.distances[i] = n == 0 ? Value{1} : distanceTwo;
    s.spillHeight[i] = s.thirdHeight[i];
    s.spillRow[i] = s.thirdRow[i];
    // The pixel goes on top of what is left: after no pop, the old top is the second and the
    // old second the third (the old third going to memory); after one, the second and third
    // stay; after two, the old third is the second.
    const Value keptSecondHeight = popTop ? s.secondHeight[i] : s.topHeight[i];
    const Value keptSecondRow = popTop ? s.secondRow[i] : s.topRow[i];
    const Value newThirdHeight = popTop ? s.thirdHeight[i] : s.secondHeight[i];
    const Value newThirdRow = popTop ? s.thirdRow[i] : s.secondRow[i];
    s.secondHeight[i] = popSecond ? s.thirdHeight[i] : keptSecondHeight;
    s.secondRow[i] = popSecond ? s.thirdRow[i] : keptSecondRow;
    s.thirdHeight[i] = newThirdHeight;
    s.thirdRow[i] = newThirdRow;
    s.topHeight[i] = h;
    s.topRow[i] = row;
    const Count grown = popTop ? n : n + 1;
    s.sizes[i] = popSecond ? n - 1 : grown;
    const Count pushes = ((!popTop) & (n >= 3)) ? 1 : 0;
    s.pending[i] = (popSecond & (n >= 4)) ? 2 : pushes;
  }
}

QUORVEL_WIDE_CLONES void stepLanes(int begin, int end, double row, Scratch<double>& s) {
  stepLanesOf(begin, end, row, s);
}

QUORVEL_WIDE_CLONES void stepLanes(int begin, int end, std::int32_t row,
                                   Scratch<std::int32_t>& s) {
  stepLanesOf(begin, end, row, s);
}

// Which lanes of a step push their old third onto their hull in memory, and which pop into it.
struct Pending {
  std::uint64_t pushes;
  std::uint64_t pops;
};

// The bits of lanes [begin, end).
std::uint64_t laneMask(int begin, int end) {
  const int count = end - begin;
  return (count == kLanes ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1) << begin;
}

// Every lane is looked at, the step's own kept by a mask: a loop of fixed length.
template <class Value>
[[gnu::always_inline]] inline Pending pendingLanesOf(std::uint64_t lanes,
                                                     const Scratch<Value>& s) {
  // A byte a lane first, in a loop the compiler widens; then each eight bytes of 0 or 1 become
  // eight bits in one multiplication, byte k's bit landing on bit 56 + k with no carry (a bit
  // a lane, shifted and or-ed, took a dozen instructions a lane).
  alignas(64) std::uint8_t pushBytes[kLanes];
  alignas(64) std::uint8_t popBytes[kLanes];
  for (int i = 0; i < kLanes; ++i) {
    pushBytes[i] = s.pending[i] == 1 ? 1 : 0;
    popBytes[i] = s.pending[i] == 2 ? 1 : 0;
  }
  constexpr std::uint64_t kGather = 0x0102040810204080;
  std::uint64_t pushes = 0;
  std::uint64_t pops = 0;
  for (int group = 0; group < kLanes / 8; ++group) {
    std::uint64_t pushGroup = 0;
    std::uint64_t popGroup = 0;
    std::memcpy(&pushGroup, pushBytes + 8 * group, 8);
    std::memcpy(&popGroup, popBytes + 8 * group, 8);
    if constexpr (std::endian::native == std::endian::big) {
      pushGroup = __builtin_bswap64(pushGroup);
      popGroup = __builtin_bswap64(popGroup);
    }
    pushes |= (pushGroup * kGather) >> 56 << (8 * group);
    pops |= (popGroup * kGather) >> 56 << (8 * group);
  }
  return {pushes & lanes, pops & lanes};
}

QUORVEL_WIDE_CLONES Pending pendingLanes(std::uint64_t lanes, const Scratch<double>& s) {
  return pendingLanesOf(lanes, s);
}

QUORVEL_WIDE_CLONES Pending pendingLanes(std::uint64_t lanes, const Scratch<std::int32_t>& s) {
  return pendingLanesOf(lanes, s);
}

// Finishes the lanes (a bit each) that stepLanes left pending, their pixels of height
// heights[i] at `row`.
template <class Value>
void finishStep(std::uint64_t stepped, Value row, Scratch<Value>& s) {
  static_assert(kLanes == 64, "a lane a bit");
  const auto [pushes, pops] = pendingLanes(stepped, s);
  for (std::uint64_t lanes = pushes; lanes != 0; lanes &= lanes - 1) {
    // No pop onto a hull of three or more: its old third goes under the new one.
    const int i = std::countr_zero(lanes);
    Vertex<Value>* below = &s.hulls[static_cast<std::size_t>(i) * s.capacity];
    below[s.sizes[i] - 4] = Vertex<Value>{s.spillHeight[i], s.spillRow[i]};
  }
  for (std::uint64_t lanes = pops; lanes != 0; lanes &= lanes - 1) {
    const int i = std::countr_zero(lanes);
    Vertex<Value>* below = &s.hulls[static_cast<std::size_t>(i) * s.capacity];
    // Its top two popped, and vertices below the old third may go too: the old third is the
    // candidate, held against the hull below it.
    const Value h = s.heights[i];
    std::int64_t left = s.sizes[i] - 2;  // the vertices below the old third
    Value rise = s.rises[i];
    Value distance = s.distances[i];
    Vertex<Value> candidate{s.spillHeight[i], s.spillRow[i]};
    while (left >= 1) {
      const Value riseNext = below[left - 1].height - h;
      const Value distanceNext = below[left - 1].row - row;
      if (!(riseNext * distance >= rise * distanceNext)) break;
      candidate = below[--left];
      rise = riseNext;
      distance = distanceNext;
    }
    s.rises[i] = rise;
    s.distances[i] = distance;
    s.secondHeight[i] = candidate.height;
    s.secondRow[i] = candidate.row;
    if (left == 0) {
      s.sizes[i] = 2;
      continue;
    }
    const Vertex<Value> third = below[--left];
    s.thirdHeight[i] = third.height;
    s.thirdRow[i] = third.row;
    s.sizes[i] = static_cast<typename Scratch<Value>::Count>(left + 3);
  }
}

// Puts seed, farthest first, on lane i's empty hull: the top three lane beside lane, the rest
// in the lane's memory, bottom first.
template <class Value>
void seedLane(int i, std::span<const SkyVertex> seed, Scratch<Value>& s) {
  const auto n = static_cast<std::int64_t>(seed.size());
  s.sizes[i] = static_cast<typename Scratch<Value>::Count>(n);
  const auto put = [&](std::int64_t k, Value& height, Value& row) {
    height = static_cast<Value>(seed[static_cast<std::size_t>(n - 1 - k)].height);
    row = static_cast<Value>(seed[static_cast<std::size_t>(n - 1 - k)].step);
  };
  if (n >= 1) put(0, s.topHeight[i], s.topRow[i]);
  if (n >= 2) put(1, s.secondHeight[i], s.secondRow[i]);
  if (n >= 3) put(2, s.thirdHeight[i], s.thirdRow[i]);
  Vertex<Value>* below = &s.hulls[static_cast<std::size_t>(i) * s.capacity];
  for (std::int64_t k = 0; k + 3 < n; ++k) {
    below[k] = Vertex<Value>{static_cast<Value>(seed[static_cast<std::size_t>(k)].height),
                             static_cast<Value>(seed[static_cast<std::size_t>(k)].step)};
  }
}

// A sweep for hulls alone leaves out the steps that cannot hold a vertex, a block of
// kHullBlock steps of a group of kHullGroup lanes at a time. A pixel no higher than a pixel
// beyond it and one before it on its line lies on or under the segment between them, so it is
// a vertex of no hull of the line's pixels, and leaving it out leaves the hull as it is. A
// lane's block is stepped when it is higher than all the lane's blocks beyond it or all those
// before it: for a pixel left out, the farthest of the highest blocks beyond it and the nearest
// of the highest before it are then stepped. Stepping more pixels than a lane needs changes nothing
// either, so a group's lanes step together, in the vector loop. A first pass takes each
// block's highest sample of each lane, and keeps the strip's samples for the second.
constexpr int kHullBlock = 8;
constexpr int kHullGroup = 16;

// Each lane's highest sample of the block so far, raised by the step's.
template <class Value>
[[gnu::always_inline]] inline void raiseHighsOf(int begin, int end, const Value* heights,
                                                Value* highs) {
  for (int i = begin; i < end; ++i) highs[i] = std::max(highs[i], heights[i]);
}

QUORVEL_WIDE_CLONES void raiseHighs(int begin, int end, const double* heights, double* highs) {
  raiseHighsOf(begin, end, heights, highs);
}

QUORVEL_WIDE_CLONES void raiseHighs(int begin, int end, const std::int32_t* heights,
                                    std::int32_t* highs) {
  raiseHighsOf(begin, end, heights, highs);
}

// From the blocks' highest samples of each lane (kLanes a block, the farthest block first),
// the lanes each block steps: a group's, when one of its lanes has the block higher than its
// highest beyond the block or its highest before it. nearer takes kLanes a block.
template <class Value>
[[gnu::always_inline]] inline void steppedLanesOf(int blocks, const Value* highs, Value* nearer,
                                                  std::uint64_t* stepped) {
  constexpr Value kNone = std::numeric_limits<Value>::lowest();
  alignas(64) Value running[kLanes];
  std::fill(std::begin(running), std::end(running), kNone);
  for (int k = blocks - 1; k >= 0; --k) {
    const std::size_t at = static_cast<std::size_t>(k) * kLanes;
    for (int i = 0; i < kLanes; ++i) {
      nearer[at + i] = running[i];
      running[i] = std::max(running[i], highs[at + i]);
    }
  }
  std::fill(std::begin(running), std::end(running), kNone);
  for (int k = 0; k < blocks; ++k) {
    const std::size_t at = static_cast<std::size_t>(k) * kLanes;
    std::uint64_t lanes = 0;
    for (int g = 0; g < kLanes; g += kHullGroup) {
      int higher = 0;
      for (int i = g; i < g + kHullGroup; ++i) {
        const Value high = highs[at + i];
        higher |= high > std::min(running[i], nearer[at + i]) ? 1 : 0;
        running[i] = std::max(running[i], high);
      }
      if (higher != 0) lanes |= laneMask(g, g + kHullGroup);
    }
    stepped[k] = lanes;
  }
}

QUORVEL_WIDE_CLONES void steppedLanes(int blocks, const double* highs, double* nearer,
                                      std::uint64_t* stepped) {
  steppedLanesOf(blocks, highs, nearer, stepped);
}

QUORVEL_WIDE_CLONES void steppedLanes(int blocks, const std::int32_t* highs,
                                      std::int32_t* nearer, std::uint64_t* stepped) {
  steppedLanesOf(blocks, highs, nearer, stepped);
}

template <class Value, class FirstLane, class EndLane, class LoadHeights, class Fetch>
void sweepStripHulls(int jFirst, int jLast, const FirstLane& firstLane, const EndLane& endLane,
                     const LoadHeights& loadHeights, const Fetch& fetch, Scratch<Value>& s) {
  if (jLast < jFirst) return;
  const int blocks = (jLast - jFirst) / kHullBlock + 1;  // block k: steps jLast - k kHullBlock on
  const auto lanesAt = [](int k) { return static_cast<std::size_t>(k) * kLanes; };
  s.blockHighs.assign(lanesAt(blocks), std::numeric_limits<Value>::lowest());
  s.stepHeights.resize(lanesAt(jLast - jFirst + 1));
  for (int j = jLast; j >= jFirst; --j) {
    if (j - kPrefetchSteps >= jFirst) fetch(j - kPrefetchSteps);
    const int begin = firstLane(j);
    const int end = endLane(j);
    if (begin >= end) continue;
    Value* heights = s.stepHeights.data() + lanesAt(jLast - j);
    loadHeights(j, begin, end, heights);
    raiseHighs(begin, end, heights, s.blockHighs.data() + lanesAt((jLast - j) / kHullBlock));
  }
  s.nearerHighs.resize(lanesAt(blocks));
  s.steppedLanes.resize(static_cast<std::size_t>(blocks));
  steppedLanes(blocks, s.blockHighs.data(), s.nearerHighs.data(), s.steppedLanes.data());
  for (int j = jLast; j >= jFirst; --j) {
    const int begin = firstLane(j);
    const int end = endLane(j);
    if (begin >= end) continue;
    const std::uint64_t lanes =
        s.steppedLanes[static_cast<std::size_t>((jLast - j) / kHullBlock)] & laneMask(begin, end);
    if (lanes == 0) continue;
    const Value* heights = s.stepHeights.data() + lanesAt(jLast - j);
    std::copy(heights + begin, heights + end, s.heights + begin);
    for (int g = 0; g < kLanes; g += kHullGroup) {
      if ((lanes & laneMask(g, g + kHullGroup)) == 0) continue;
      stepLanes(std::max(begin, g), std::min(end, g + kHullGroup), static_cast<Value>(j), s);
    }
    finishStep(lanes, static_cast<Value>(j), s);
  }
}

// Sweeps the lines of one strip from their far ends back and adds each pixel's term to its
// occlusion (the first direction stores it: 0.0 + term is the term, never -0). heightAt gives
// the height of a sample by its index. seed, when given, gives each line the hull of what lies
// beyond the span on it.
template <class Value, class HeightAt>
void sweepStrip(const Span& span, const HeightAt& heightAt, const std::uint8_t* pixels,
                std::ptrdiff_t sampleBytes, int c, int strip, bool first, double zScale,
                const SkyLineSeed* seed, const SkyHullSink* hulls, int direction,
                Scratch<Value>& scratch, double* occlusion) {
  const Frame& frame = span.frame;
  const int jFirst = firstStep(span, c);
  const int jLast = lastStep(span, c);
  const int o0 = firstLine(span, c) + strip * kLanes;
  const auto rowOf = [&](int j) { return c + frame.up * j; };
  const auto columnOf = [&](int j, int i) { return o0 + frame.across * j + i; };
  const auto firstLane = [&](int j) { return std::max(0, span.x0 - columnOf(j, 0)); };
  const auto endLane = [&](int j) { return std::min(kLanes, span.x1 + 1 - columnOf(j, 0)); };
  const std::ptrdiff_t sumStride = span.sums.strideX;
  const std::ptrdiff_t pixelStride = span.pixels.strideX;
  const int fetchStride = sumStride == 1 || sumStride == -1 ? 8 : 1;
  std::fill(std::begin(scratch.sizes), std::end(scratch.sizes), 0);
  // The last step of lane i's line in the span, or -1 for a line that has none.
  const auto lastOf = [&](int i) {
    const int o = o0 + i;
    int end = jLast;
    if (frame.across > 0) end = std::min(end, floorDiv(span.x1 - o, frame.across));
    const bool inside =
        end >= jFirst && o + frame.across * end >= span.x0 && o + frame.across * end <= span.x1;
    return inside ? end : -1;
  };
  if (seed != nullptr) {
    for (int i = 0; i < kLanes; ++i) {
      const int end = lastOf(i);
      if (end >= 0) seedLane(i, (*seed)(direction, c, o0 + i, end), scratch);
    }
  }
  // Along a row of the image the samples are neighbours: loops the compiler can widen.
  const auto loadHeights = [&](int j, int begin, int end, Value* heights) {
    const std::ptrdiff_t at = span.pixels.at(columnOf(j, begin), rowOf(j));
    if (pixelStride == 1) {
      for (int i = begin; i < end; ++i) heights[i] = heightAt(at + (i - begin));
    } else if (pixelStride == -1) {
      for (int i = begin; i < end; ++i) heights[i] = heightAt(at - (i - begin));
    } else {
      for (int i = begin; i < end; ++i) heights[i] = heightAt(at + (i - begin) * pixelStride);
    }
  };
  if (hulls != nullptr) {
    sweepStripHulls(jFirst, jLast, firstLane, endLane, loadHeights, [&](int ahead) {
      // Only the pixels to fetch, eight lanes a line of the cache where they are neighbours.
      const int pixelFetch = pixelStride == 1 || pixelStride == -1 ? 64 : 1;
      for (int i = firstLane(ahead); i < endLane(ahead); i += pixelFetch) {
        __builtin_prefetch(pixels + span.pixels.at(columnOf(ahead, i), rowOf(ahead)) * sampleBytes);
      }
    }, scratch);
  }
  for (int j = jLast; hulls == nullptr && j >= jFirst; --j) {
    if (j - kPrefetchSteps >= jFirst) {
      const int ahead = j - kPrefetchSteps;
      for (int i = firstLane(ahead); i < endLane(ahead); i += fetchStride) {
        __builtin_prefetch(occlusion + span.sums.at(columnOf(ahead, i), rowOf(ahead)), 1);
        __builtin_prefetch(pixels + span.pixels.at(columnOf(ahead, i), rowOf(ahead)) * sampleBytes);
      }
    }
    const int begin = firstLane(j);
    const int end = endLane(j);
    if (begin >= end) continue;
    loadHeights(j, begin, end, scratch.heights);
    stepLanes(begin, end, static_cast<Value>(j), scratch);
    finishStep(laneMask(begin, end), static_cast<Value>(j), scratch);
    addSkyTerms(end - begin, scratch.rises + begin, scratch.distances + begin, zScale,
                frame.length, frame.weight, first,
                occlusion + span.sums.at(columnOf(j, begin), rowOf(j)), sumStride);
  }
  if (hulls == nullptr) return;
  // Each line's hull of its pixels in the span, farthest first.
  std::vector<SkyVertex> hull;
  for (int i = 0; i < kLanes; ++i) {
    if (lastOf(i) < 0) continue;
    const auto n = static_cast<std::int64_t>(scratch.sizes[i]);
    const Vertex<Value>* below = &scratch.hulls[static_cast<std::size_t>(i) * scratch.capacity];
    hull.clear();
    for (std::int64_t k = 0; k + 3 < n; ++k) {
      hull.push_back({static_cast<std::int32_t>(below[k].height),
                      static_cast<std::int32_t>(below[k].row)});
    }
    if (n >= 3) {
      hull.push_back({static_cast<std::int32_t>(scratch.thirdHeight[i]),
                      static_cast<std::int32_t>(scratch.thirdRow[i])});
    }
    if (n >= 2) {
      hull.push_back({static_cast<std::int32_t>(scratch.secondHeight[i]),
                      static_cast<std::int32_t>(scratch.secondRow[i])});
    }
    hull.push_back({static_cast<std::int32_t>(scratch.topHeight[i]),
                    static_cast<std::int32_t>(scratch.topRow[i])});
    (*hulls)(direction, c, o0 + i, hull);
  }
}

// The sums' pages made before the first sweep, a share on each thread: the sums of the largest
// map are 200 MB. Only speed: the first direction stores every sum either way.
void populate(void* memory, std::size_t bytes, int threads) {
  constexpr std::size_t kPage = 4096;
  const std::size_t pages = bytes / kPage;
  runJobs(threads, threads, [&](int t) {
    const std::size_t first =
        pages * static_cast<std::size_t>(t) / static_cast<std::size_t>(threads);
    const std::size_t last =
        pages * static_cast<std::size_t>(t + 1) / static_cast<std::size_t>(threads);
    populatePages(static_cast<std::uint8_t*>(memory) + first * kPage, (last - first) * kPage);
  });
}

// Image pixel (x, y) as the frame's pixel (X, Y): x = xConstant + X xOfX + Y xOfY, and y so.
struct FrameAxes {
  int xConstant, xOfX, xOfY;
  int yConstant, yOfX, yOfY;
};

FrameAxes axesOf(const SkyDirection& u, int width, int height) {
  if (u.dy == 0) {
    return u.dx > 0 ? FrameAxes{0, 0, 1, 0, 1, 0} : FrameAxes{width - 1, 0, -1, 0, 1, 0};
  }
  const FrameAxes x = u.dx >= 0 ? FrameAxes{0, 1, 0, 0, 0, 0} : FrameAxes{width - 1, -1, 0, 0, 0, 0};
  return u.dy > 0 ? FrameAxes{x.xConstant, x.xOfX, 0, 0, 0, 1}
                  : FrameAxes{x.xConstant, x.xOfX, 0, height - 1, 0, -1};
}

// The addressing of a buffer that holds the pixels x0 ... x0 + columns - 1 of rows y0 on.
Addressing addressingOf(const FrameAxes& axes, int x0, int y0, int columns) {
  const std::ptrdiff_t w = columns;
  return Addressing{axes.xConstant - x0 + (axes.yConstant - y0) * w, axes.xOfX + axes.yOfX * w,
                    axes.xOfY + axes.yOfY * w};
}

// The frame's rectangle that holds the image's pixels x0 ... x0 + columns - 1, y0 ... + rows - 1.
void frameRectangle(const FrameAxes& axes, int x0, int y0, int columns, int rows, Span& span) {
  // The frame's axes are the image's, each mirrored or not, perhaps swapped.
  const int xLow = x0;
  const int xHigh = x0 + columns - 1;
  const int yLow = y0;
  const int yHigh = y0 + rows - 1;
  const auto back = [](int constant, int sign, int low, int high, int& from, int& to) {
    from = sign > 0 ? low - constant : constant - high;
    to = sign > 0 ? high - constant : constant - low;
  };
  if (axes.xOfY != 0) {  // X runs along y, Y along x
    back(axes.yConstant, axes.yOfX, yLow, yHigh, span.x0, span.x1);
    back(axes.xConstant, axes.xOfY, xLow, xHigh, span.y0, span.y1);
  } else {
    back(axes.xConstant, axes.xOfX, xLow, xHigh, span.x0, span.x1);
    back(axes.yConstant, axes.yOfY, yLow, yHigh, span.y0, span.y1);
  }
}

std::span<const SkyDirection> directionsOf(int directions) {
  return directions == 8 ? std::span<const SkyDirection>(kSkyDirections8)
                         : std::span<const SkyDirection>(kSkyDirections16);
}

}  // namespace

SkyLine skyLineOf(int directions, int direction, int width, int height, int x, int y) {
  const SkyDirection& u = directionsOf(directions)[static_cast<std::size_t>(direction)];
  const Frame frame = frameOf(u, width, height);
  const FrameAxes axes = axesOf(u, width, height);
  Span span{};
  frameRectangle(axes, x, y, 1, 1, span);
  const int row = span.y0;
  const int step = row / frame.up;
  return SkyLine{row % frame.up, span.x0 - frame.across * step, step};
}

void skyPixelOf(int directions, int direction, int width, int height, const SkyLine& line, int& x,
                int& y) {
  const SkyDirection& u = directionsOf(directions)[static_cast<std::size_t>(direction)];
  const Frame frame = frameOf(u, width, height);
  const FrameAxes axes = axesOf(u, width, height);
  const int column = line.line + frame.across * line.step;
  const int row = line.lineClass + frame.up * line.step;
  x = axes.xConstant + column * axes.xOfX + row * axes.xOfY;
  y = axes.yConstant + column * axes.yOfX + row * axes.yOfY;
}

void forEachSkyLine(int directions, int direction, int width, int height,
                    const SkyRectangle& rectangle,
                    const std::function<void(int lineClass, int line, int first, int last)>& visit) {
  const SkyDirection& u = directionsOf(directions)[static_cast<std::size_t>(direction)];
  Span span{};
  span.frame = frameOf(u, width, height);
  frameRectangle(axesOf(u, width, height), rectangle.x0, rectangle.y0, rectangle.columns,
                 rectangle.rows, span);
  const int across = span.frame.across;
  for (int c = 0; c < span.frame.up; ++c) {
    const int jFirst = firstStep(span, c);
    const int jLast = lastStep(span, c);
    if (jLast < jFirst) continue;
    for (int o = firstLine(span, c); o <= span.x1 - across * jFirst; ++o) {
      // The steps whose pixel lies in the rectangle: X0 <= o + across j <= X1.
      int first = jFirst;
      int last = jLast;
      if (across > 0) {
        first = std::max(first, -floorDiv(o - span.x0, across));
        last = std::min(last, floorDiv(span.x1 - o, across));
      } else if (o < span.x0 || o > span.x1) {
        continue;
      }
      if (first <= last) visit(c, o, first, last);
    }
  }
}

namespace {

// Sweeps every direction over span's pixels of the image (whole, or a window of it), on
// `threads` threads, into occlusion. heightAt(at) gives sample at's height, or the sample
// itself for integer hulls.
template <class Value, class HeightAt>
void sweepAll(std::span<const SkyDirection> table, const std::function<Span(std::size_t)>& spanOf,
              int lineLength, int threads, const HeightAt& heightAt, const std::uint8_t* pixels,
              std::ptrdiff_t bytesPerSample, double zScale, const SkyLineSeed* seed,
              const SkyHullSink* hulls, double* occlusion) {
  std::vector<Scratch<Value>> scratch;
  scratch.reserve(static_cast<std::size_t>(threads));
  for (int t = 0; t < threads; ++t) scratch.emplace_back(lineLength);
  // Every pixel's terms are added in the directions' order: one direction at a time, its
  // strips shared out between the threads.
  for (std::size_t d = 0; d < table.size(); ++d) {
    const Span span = spanOf(d);
    std::vector<std::pair<int, int>> tasks;  // (class, strip)
    for (int c = 0; c < span.frame.up; ++c) {
      for (int strip = 0; strip < stripsOf(span, c); ++strip) tasks.emplace_back(c, strip);
    }
    std::atomic<std::size_t> next{0};
    const int workers = std::min(threads, static_cast<int>(tasks.size()));
    runJobs(workers, workers, [&](int t) {
      for (std::size_t task = next++; task < tasks.size(); task = next++) {
        sweepStrip(span, heightAt, pixels, bytesPerSample, tasks[task].first, tasks[task].second,
                   d == 0, zScale, seed, hulls, static_cast<int>(d),
                   scratch[static_cast<std::size_t>(t)], occlusion);
      }
    });
  }
}

template <class Sample>
Sample sampleAt(const std::uint8_t* pixels, std::ptrdiff_t at) {
  Sample sample;
  std::memcpy(&sample, pixels + at * static_cast<std::ptrdiff_t>(sizeof(Sample)), sizeof sample);
  return sample;
}

}  // namespace

std::unique_ptr<double[]> skyOcclusion(const Texture& alt, float zScaleFactor, int directions,
                                       int threads) {
  const int width = alt.width;
  const int height = alt.height;
  auto occlusion = std::make_unique_for_overwrite<double[]>(static_cast<std::size_t>(width) *
                                                            static_cast<std::size_t>(height));
  if (width == 0 || height == 0) return occlusion;
  const std::size_t bytes =
      static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * sizeof(double);
  // The sums are visited a few at a time down columns and diagonals, a row apart.
  adviseHugePages(occlusion.get(), bytes);
  populate(occlusion.get(), bytes, std::max(1, threads));
  const std::span<const SkyDirection> table = directionsOf(directions);
  threads = std::max(1, threads);
  const std::uint8_t* pixels = alt.pixels.data();
  const double zScale = zScaleFactor;
  const int lineLength = std::max(width, height);
  const auto spanOf = [&](std::size_t d) {
    Span span{};
    span.frame = frameOf(table[d], width, height);
    span.x0 = 0;
    span.x1 = span.frame.columns - 1;
    span.y0 = 0;
    span.y1 = span.frame.rows - 1;
    span.pixels = Addressing{span.frame.origin, span.frame.strideX, span.frame.strideY};
    span.sums = span.pixels;
    return span;
  };
  const std::ptrdiff_t bytesPerSample = sampleBytes(alt.sampleFormat);
  // A hull's decisions compare rise x distance products, exact in double while the sample's
  // bits, the z scale's 24 and the distance's fit in 53; under a z scale above 0 they are then
  // the integers' decisions, and the rise the integer rise times the z scale.
  const int sampleBits = alt.sampleFormat == SampleFormat::kUInt8 ? 8 : 16;
  const bool integral = (alt.sampleFormat == SampleFormat::kUInt8 ||
                         alt.sampleFormat == SampleFormat::kUInt16 ||
                         alt.sampleFormat == SampleFormat::kInt16) &&
                        zScale > 0.0 && std::isfinite(zScale) &&
                        sampleBits + 24 + std::bit_width(static_cast<unsigned>(lineLength)) <= 53;
  visitSample(alt.sampleFormat, [&]<class Sample>(Sample) {
    if (integral) {
      sweepAll<std::int32_t>(
          table, spanOf, lineLength, threads,
          [&](std::ptrdiff_t at) { return static_cast<std::int32_t>(sampleAt<Sample>(pixels, at)); },
          pixels, bytesPerSample, zScale, nullptr, nullptr, occlusion.get());
    } else {
      sweepAll<double>(
          table, spanOf, lineLength, threads,
          [&](std::ptrdiff_t at) { return static_cast<double>(sampleAt<Sample>(pixels, at)) * zScale; },
          pixels, bytesPerSample, zScale, nullptr, nullptr, occlusion.get());
    }
  });
  return occlusion;
}

bool skyWindowIsExact(SampleFormat format, float zScaleFactor, int worldWidth, int worldHeight) {
  return (format == SampleFormat::kUInt8 || format == SampleFormat::kUInt16 ||
          format == SampleFormat::kInt16) &&
         std::isfinite(zScaleFactor) && std::max(worldWidth, worldHeight) <= kLargestSkyLine;
}

std::int32_t skyHeightOf(SampleFormat format, const std::uint8_t* pixels, std::ptrdiff_t at,
                         float zScaleFactor) {
  return visitSample(format, [&]<class Sample>(Sample) {
    const auto sample = static_cast<std::int32_t>(sampleAt<Sample>(pixels, at));
    return zScaleFactor < 0.0f ? -sample : sample;
  });
}

void skyOcclusionOfWindow(const Texture& alt, float zScaleFactor, int directions,
                          const SkyWindow& window, const SkyLineSeed& seed, double* occlusion,
                          int threads) {
  const std::span<const SkyDirection> table = directionsOf(directions);
  const std::size_t count =
      static_cast<std::size_t>(window.columns) * static_cast<std::size_t>(window.rows);
  // Under a z scale of 0 every height, and so every term, is 0 (or -0, which the tangent's
  // clamp makes 0).
  if (zScaleFactor == 0.0f) {
    std::fill(occlusion, occlusion + count, 0.0);
    return;
  }
  // Under a z scale below 0 the hulls are those of the negated samples: the products the
  // whole image's sweep compares are the same numbers, their signs turned, and the rise
  // (-s) (-z) the same double as s z.
  const double zScale = std::abs(static_cast<double>(zScaleFactor));
  const int lineLength = std::max(window.worldWidth, window.worldHeight);
  const auto spanOf = [&](std::size_t d) {
    Span span{};
    span.frame = frameOf(table[d], window.worldWidth, window.worldHeight);
    const FrameAxes axes = axesOf(table[d], window.worldWidth, window.worldHeight);
    frameRectangle(axes, window.x0, window.y0, window.columns, window.rows, span);
    span.pixels = addressingOf(axes, alt.x0, alt.y0, alt.width);
    span.sums = addressingOf(axes, window.x0, window.y0, window.columns);
    return span;
  };
  const std::uint8_t* pixels = alt.pixels.data();
  const SampleFormat format = alt.sampleFormat;
  visitSample(format, [&]<class Sample>(Sample) {
    const bool negate = zScaleFactor < 0.0f;
    sweepAll<std::int32_t>(
        table, spanOf, lineLength, std::max(1, threads),
        [&](std::ptrdiff_t at) {
          const auto sample = static_cast<std::int32_t>(sampleAt<Sample>(pixels, at));
          return negate ? -sample : sample;
        },
        pixels, sampleBytes(format), zScale, &seed, nullptr, occlusion);
  });
}

void skyHullsOfWindow(const Texture& alt, float zScaleFactor, int directions, int worldWidth,
                      int worldHeight, const std::function<SkyRectangle(int direction)>& regionOf,
                      const SkyHullSink& sink) {
  const std::span<const SkyDirection> table = directionsOf(directions);
  const auto spanOf = [&](std::size_t d) {
    Span span{};
    span.frame = frameOf(table[d], worldWidth, worldHeight);
    const FrameAxes axes = axesOf(table[d], worldWidth, worldHeight);
    const SkyRectangle region = regionOf(static_cast<int>(d));
    frameRectangle(axes, region.x0, region.y0, region.columns, region.rows, span);
    span.pixels = addressingOf(axes, alt.x0, alt.y0, alt.width);
    span.sums = span.pixels;
    return span;
  };
  const std::uint8_t* pixels = alt.pixels.data();
  const SampleFormat format = alt.sampleFormat;
  const bool negate = zScaleFactor < 0.0f;
  visitSample(format, [&]<class Sample>(Sample) {
    sweepAll<std::int32_t>(
        table, spanOf, std::max(worldWidth, worldHeight), 1,
        [&](std::ptrdiff_t at) {
          const auto sample = static_cast<std::int32_t>(sampleAt<Sample>(pixels, at));
          return negate ? -sample : sample;
        },
        pixels, sampleBytes(format), 0.0, nullptr, &sink, nullptr);
  });
}

}  // namespace quorvel
