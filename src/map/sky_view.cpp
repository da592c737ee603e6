#include "map/sky_view.h"

#include <algorithm>
#include <atomic>
#include <bit>
#include <cmath>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <span>
#include <system_error>
#include <thread>
#include <type_traits>
#include <vector>

#include "map/baked_light.h"
#include "map/vector_loops.h"
#include "page_advice.h"

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

// The rows of class c (c, c + up, c + 2 up, ...) hold whole lines. Line o of a class is the
// pixels (o + across j, c + up j) inside the frame, j counting the class's rows; a strip is
// kLanes consecutive lines.
int classSteps(const Frame& frame, int c) { return (frame.rows - c + frame.up - 1) / frame.up; }
int firstLine(const Frame& frame, int steps) { return -frame.across * (steps - 1); }
int stripsOf(const Frame& frame, int c) {
  const int lines = frame.columns - firstLine(frame, classSteps(frame, c));
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
      : capacity(lineLength), hulls(static_cast<std::size_t>(kLanes) * lineLength) {}
  int capacity;
  std::vector<Vertex<Value>> hulls;  // lane i's vertices below its top three, from i x capacity
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

// Every lane is looked at, the step's own [begin, end) kept by a mask: a loop of fixed length.
template <class Value>
[[gnu::always_inline]] inline Pending pendingLanesOf(int begin, int end,
                                                     const Scratch<Value>& s) {
  std::uint64_t pushes = 0;
  std::uint64_t pops = 0;
  for (int i = 0; i < kLanes; ++i) {
    pushes |= static_cast<std::uint64_t>(s.pending[i] == 1) << i;
    pops |= static_cast<std::uint64_t>(s.pending[i] == 2) << i;
  }
  const int count = end - begin;
  const std::uint64_t step = (count == kLanes ? ~std::uint64_t{0} : (std::uint64_t{1} << count) - 1)
                             << begin;
  return {pushes & step, pops & step};
}

QUORVEL_WIDE_CLONES Pending pendingLanes(int begin, int end, const Scratch<double>& s) {
  return pendingLanesOf(begin, end, s);
}

QUORVEL_WIDE_CLONES Pending pendingLanes(int begin, int end, const Scratch<std::int32_t>& s) {
  return pendingLanesOf(begin, end, s);
}

// Finishes the lanes stepLanes left pending, their pixels of height heights[i] at `row`.
template <class Value>
void finishStep(int begin, int end, Value row, Scratch<Value>& s) {
  static_assert(kLanes == 64, "a lane a bit");
  const auto [pushes, pops] = pendingLanes(begin, end, s);
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

// Sweeps the lines of one strip from their far ends back and adds each pixel's term to its
// occlusion (the first direction stores it: 0.0 + term is the term, never -0). heightAt gives
// the height of a sample by its index.
template <class Value, class HeightAt>
void sweepStrip(const Frame& frame, const HeightAt& heightAt, const std::uint8_t* pixels,
                std::ptrdiff_t sampleBytes, int c, int strip, bool first, double zScale,
                Scratch<Value>& scratch, double* occlusion) {
  const int steps = classSteps(frame, c);
  const int o0 = firstLine(frame, steps) + strip * kLanes;
  const auto pixelAt = [&](int j, int i) {
    return frame.origin + static_cast<std::ptrdiff_t>(c + frame.up * j) * frame.strideY +
           static_cast<std::ptrdiff_t>(o0 + frame.across * j + i) * frame.strideX;
  };
  const auto firstLane = [&](int j) { return std::max(0, -(o0 + frame.across * j)); };
  const auto endLane = [&](int j) {
    return std::min(kLanes, frame.columns - (o0 + frame.across * j));
  };
  const int fetchStride = frame.strideX == 1 || frame.strideX == -1 ? 8 : 1;
  std::fill(std::begin(scratch.sizes), std::end(scratch.sizes), 0);
  for (int j = steps - 1; j >= 0; --j) {
    if (j >= kPrefetchSteps) {
      for (int i = firstLane(j - kPrefetchSteps); i < endLane(j - kPrefetchSteps);
           i += fetchStride) {
        const std::ptrdiff_t at = pixelAt(j - kPrefetchSteps, i);
        __builtin_prefetch(occlusion + at, 1);
        __builtin_prefetch(pixels + at * sampleBytes);
      }
    }
    const int begin = firstLane(j);
    const int end = endLane(j);
    if (begin >= end) continue;
    // Along a row of the image the samples are neighbours: loops the compiler can widen.
    const std::ptrdiff_t at = pixelAt(j, begin);
    if (frame.strideX == 1) {
      for (int i = begin; i < end; ++i) scratch.heights[i] = heightAt(at + (i - begin));
    } else if (frame.strideX == -1) {
      for (int i = begin; i < end; ++i) scratch.heights[i] = heightAt(at - (i - begin));
    } else {
      for (int i = begin; i < end; ++i)
        scratch.heights[i] = heightAt(at + (i - begin) * frame.strideX);
    }
    stepLanes(begin, end, static_cast<Value>(j), scratch);
    finishStep(begin, end, static_cast<Value>(j), scratch);
    addSkyTerms(end - begin, scratch.rises + begin, scratch.distances + begin, zScale,
                frame.length, frame.weight, first, occlusion + pixelAt(j, begin), frame.strideX);
  }
}

// Runs work(thread) on this thread and threads - 1 others, or on fewer when no more can be
// had; the work shares its tasks out itself.
template <class Work>
void onThreads(int threads, const Work& work) {
  std::vector<std::thread> others;
  try {
    for (int t = 1; t < threads; ++t) others.emplace_back(work, t);
  } catch (const std::system_error&) {
    // The threads there are take every task.
  }
  work(0);
  for (std::thread& other : others) other.join();
}

// The sums' pages made before the first sweep, a share on each thread: the sums of the largest
// map are 200 MB. Only speed: the first direction stores every sum either way.
void populate(void* memory, std::size_t bytes, int threads) {
  constexpr std::size_t kPage = 4096;
  const std::size_t pages = bytes / kPage;
  onThreads(threads, [&](int t) {
    const std::size_t first =
        pages * static_cast<std::size_t>(t) / static_cast<std::size_t>(threads);
    const std::size_t last =
        pages * static_cast<std::size_t>(t + 1) / static_cast<std::size_t>(threads);
    populatePages(static_cast<std::uint8_t*>(memory) + first * kPage, (last - first) * kPage);
  });
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
  const std::span<const SkyDirection> table = directions == 8
                                                  ? std::span<const SkyDirection>(kSkyDirections8)
                                                  : std::span<const SkyDirection>(kSkyDirections16);
  threads = std::max(1, threads);
  const std::uint8_t* pixels = alt.pixels.data();
  const double zScale = zScaleFactor;
  const int lineLength = std::max(width, height);

  // Every pixel's terms are added in the directions' order: one direction at a time, its
  // strips shared out between the threads. heightAt(at) gives sample at's height, or the
  // sample itself for integer hulls.
  const auto sweepAll = [&]<class Value>(Value, const auto& heightAt) {
    std::vector<Scratch<Value>> scratch;
    scratch.reserve(static_cast<std::size_t>(threads));
    for (int t = 0; t < threads; ++t) scratch.emplace_back(lineLength);
    for (std::size_t d = 0; d < table.size(); ++d) {
      const Frame frame = frameOf(table[d], width, height);
      std::vector<std::pair<int, int>> tasks;  // (class, strip)
      for (int c = 0; c < frame.up; ++c) {
        for (int strip = 0; strip < stripsOf(frame, c); ++strip) tasks.emplace_back(c, strip);
      }
      std::atomic<std::size_t> next{0};
      onThreads(std::min(threads, static_cast<int>(tasks.size())), [&](int t) {
        for (std::size_t task = next++; task < tasks.size(); task = next++) {
          sweepStrip(frame, heightAt, pixels, sampleBytes(alt.sampleFormat), tasks[task].first,
                     tasks[task].second, d == 0, zScale, scratch[static_cast<std::size_t>(t)],
                     occlusion.get());
        }
      });
    }
  };
  const auto sampleAt = [&]<class Sample>(Sample, std::ptrdiff_t at) {
    Sample sample;
    std::memcpy(&sample, pixels + at * static_cast<std::ptrdiff_t>(sizeof(Sample)),
                sizeof sample);
    return sample;
  };
  // A hull's decisions compare rise x distance products, exact in double while the sample's
  // bits, the z scale's 24 and the distance's fit in 53; under a z scale above 0 they are then
  // the integers' decisions, and the rise the integer rise times the z scale.
  const int sampleBits = alt.sampleFormat == SampleFormat::kUInt8 ? 8 : 16;
  const bool integral = (alt.sampleFormat == SampleFormat::kUInt8 ||
                         alt.sampleFormat == SampleFormat::kUInt16 ||
                         alt.sampleFormat == SampleFormat::kInt16) &&
                        zScale > 0.0 && std::isfinite(zScale) &&
                        sampleBits + 24 + std::bit_width(static_cast<unsigned>(lineLength)) <= 53;
  if (integral) {
    visitSample(alt.sampleFormat, [&]<class Sample>(Sample) {
      sweepAll(std::int32_t{}, [&](std::ptrdiff_t at) {
        return static_cast<std::int32_t>(sampleAt(Sample{}, at));
      });
    });
  } else {
    visitSample(alt.sampleFormat, [&]<class Sample>(Sample) {
      sweepAll(0.0, [&](std::ptrdiff_t at) {
        return static_cast<double>(sampleAt(Sample{}, at)) * zScale;
      });
    });
  }
  return occlusion;
}

}  // namespace quorvel
