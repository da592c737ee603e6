#pragma once

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <limits>

#include "image/texture.h"

namespace quorvel {

// The largest whole number that every two samples of a 16-bit altitude differ by a multiple
// of: 256 for an 8-bit picture widened by a shift, 257 for one widened as image editors do,
// usually 1 for an elevation model (1 too when every sample is the same). Wherever a
// blocFile's samples then span at most 255 steps, every altitude difference it holds is a
// whole number of steps from -255 to 255, and the triangle table made for that step holds
// its normals. For 32-bit and real samples that are all whole numbers below 2^31 in size
// (elevation models in whole metres, kept as floats), the same step of their differences;
// the blocFiles check that theirs are whole steps apart. 0 for every other altitude. The
// samples are shared among up to threads threads.
[[nodiscard]] int altitudeStep(const Texture& alt, int threads);

// An altitude's step (altitudeStep) and the largest difference between two neighbouring
// samples (across a side or a corner) in that step, which bounds every rise that a triangle of
// the map holds: a table that far in that step covers the whole image. {1, 0} for a single
// pixel or samples all the same; a rise past any table's when the pixels are not the image's
// rows.
struct AltitudeReach {
  int step = 0;
  int rise = 0;
};

// The reach of a 16-bit altitude; {0, 0} for every other sample format. The rows are shared
// among up to threads threads.
[[nodiscard]] AltitudeReach sixteenBitReach(const Texture& alt, int threads);

// The reach of 32-bit and real samples that are all whole numbers below 2^31 in size
// (elevation models in whole metres, kept as floats); {0, 0} for any other altitude. A step
// beyond an int's range is given as 1, with the rise unknown. The rows are shared among up
// to threads threads.
[[nodiscard]] AltitudeReach wholeReach(const Texture& alt, int threads);

// The largest difference between two neighbouring samples of an 8-bit altitude (across a
// side or a corner), which bounds every rise that a triangle of the map holds: a triangle
// table that far covers the whole image. alt must hold the whole image. 0 for a single pixel
// or every other sample format. The rows are shared among up to threads threads.
[[nodiscard]] int largestRise8(const Texture& alt, int threads);

// Lowers low and raises high to the lowest and highest of count samples read from bytes (in
// the host's order, as a record's pixels hold them), many at a time.
void widenIntegerExtremes(const std::uint8_t* bytes, std::size_t count, std::uint8_t& low,
                          std::uint8_t& high);
void widenIntegerExtremes(const std::uint8_t* bytes, std::size_t count, std::uint16_t& low,
                          std::uint16_t& high);
void widenIntegerExtremes(const std::uint8_t* bytes, std::size_t count, std::int16_t& low,
                          std::int16_t& high);

// Any integer samples; the overloads above are this, built for wider vectors where the
// processor has them. Kept in locals, which the compiler holds in vector lanes: low and high
// may alias bytes.
template <class Sample>
[[gnu::always_inline]] inline void widenIntegerExtremes(const std::uint8_t* bytes,
                                                        std::size_t count, Sample& low,
                                                        Sample& high) {
  Sample lowest = std::numeric_limits<Sample>::max();
  Sample highest = std::numeric_limits<Sample>::lowest();
  for (std::size_t n = 0; n < count; ++n) {
    Sample sample;
    std::memcpy(&sample, bytes + n * sizeof(Sample), sizeof sample);
    lowest = std::min(lowest, sample);
    highest = std::max(highest, sample);
  }
  low = std::min(low, lowest);
  high = std::max(high, highest);
}

}  // namespace quorvel
