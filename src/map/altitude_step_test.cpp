#include "map/altitude_step.h"

#include <cmath>
#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include <gtest/gtest.h>

#include "memory_texture.h"

namespace quorvel {
namespace {

template <class Sample>
test::Bytes bytesOf(const std::vector<Sample>& samples) {
  test::Bytes bytes(samples.size() * sizeof(Sample));
  std::memcpy(bytes.data(), samples.data(), bytes.size());
  return bytes;
}

TEST(AltitudeStep, IsTheCommonStepOfSixteenBitAndWholeSamples) {
  struct Case {
    std::string name;
    SampleFormat format;
    test::Bytes pixels;
    int threads;
    int step;
  };
  // Samples spread over two threads' parts need more than a million pixels.
  std::vector<std::uint16_t> large(3 << 20, 512);
  large.back() = 512 + 3 * 257;
  std::vector<float> largeFloats(3 << 20, 512.0f);
  largeFloats.back() = 512.5f;
  const Case cases[] = {
      {"shifted bytes", SampleFormat::kUInt16, bytesOf<std::uint16_t>({0, 256, 65280, 512}), 1, 256},
      {"widened bytes", SampleFormat::kUInt16, bytesOf<std::uint16_t>({257, 65535, 514}), 1, 257},
      {"metres", SampleFormat::kInt16, bytesOf<std::int16_t>({-12, -11, 300, -32768}), 1, 1},
      {"negative steps", SampleFormat::kInt16, bytesOf<std::int16_t>({-30000, -29994, -29997}), 1, 3},
      {"flat", SampleFormat::kUInt16, bytesOf<std::uint16_t>({700, 700, 700}), 1, 1},
      {"zero the lowest", SampleFormat::kUInt16, bytesOf<std::uint16_t>({5, 0, 3}), 1, 1},
      {"signs mixed", SampleFormat::kInt16, bytesOf<std::int16_t>({3, -3, 0}), 1, 3},
      {"the step only at the last pixel", SampleFormat::kUInt16, bytesOf(large), 2, 771},
      {"8-bit", SampleFormat::kUInt8, {0, 2, 4}, 1, 0},
      {"32-bit", SampleFormat::kInt32, bytesOf<std::int32_t>({-256, 256, 0}), 1, 256},
      {"whole floats", SampleFormat::kFloat32, bytesOf<float>({6.0f, -3.0f, 0.0f}), 1, 3},
      {"whole doubles", SampleFormat::kFloat64, bytesOf<double>({1e9, 1e9 + 14, 1e9 - 7}), 1, 7},
      {"flat floats", SampleFormat::kFloat32, bytesOf<float>({-2.0f, -2.0f}), 1, 1},
      {"a fraction", SampleFormat::kFloat32, bytesOf<float>({0.0f, 256.0f, 0.5f}), 1, 0},
      {"a fraction at the last pixel", SampleFormat::kFloat32, bytesOf(largeFloats), 2, 0},
      {"NaN first", SampleFormat::kFloat32, bytesOf<float>({std::nanf(""), 1.0f}), 1, 0},
      {"beyond 2^31", SampleFormat::kFloat64, bytesOf<double>({0.0, 4294967296.0}), 1, 0},
      {"32-bit beyond 2^31", SampleFormat::kUInt32, bytesOf<std::uint32_t>({0, 1u << 31}), 1, 0},
  };
  for (const Case& c : cases) {
    const int bytes = sampleBytes(c.format);
    const auto width = static_cast<std::int32_t>(c.pixels.size() / static_cast<std::size_t>(bytes));
    const test::MemoryTexture alt("alt", width, 1, bytes, c.pixels, c.format);
    EXPECT_EQ(altitudeStep(alt, c.threads), c.step) << c.name;
  }
}

// The largest rise between neighbours, wherever it lies: each case holds one pair of
// neighbours, 0 and 40, in a field of 20 and 21 that differs from either by at most 21, so a
// scan that misses the pair's direction or place finds at most 21. The pairs lie across a
// side or a corner, at the image's edges, in the last row, and in rows another thread scans.
TEST(AltitudeStep, LargestRiseOfEightBitSamplesReachesEveryNeighbourPair) {
  struct Case {
    std::string name;
    int width, height;
    int x, y, dx, dy;  // the pair: (x, y) and (x + dx, y + dy), rows from 0
    int threads;
  };
  const Case cases[] = {
      {"east, first row", 7, 5, 0, 0, 1, 0, 1},
      {"north, last column", 7, 5, 6, 2, 0, 1, 1},
      {"north-east", 7, 5, 3, 1, 1, 1, 1},
      {"north-west", 7, 5, 3, 1, -1, 1, 1},
      {"north-west from the last column", 7, 5, 6, 3, -1, 1, 1},
      {"east, last row", 7, 5, 5, 4, 1, 0, 1},
      {"north-east between two threads' rows", 1001, 9000, 500, 4499, 1, 1, 2},
      {"north-west in the last thread's rows", 1001, 9000, 1000, 8998, -1, 1, 2},
      {"one column", 1, 9, 0, 4, 0, 1, 1},
  };
  for (const Case& c : cases) {
    test::Bytes pixels(static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height));
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x) {
        pixels[static_cast<std::size_t>(y * c.width + x)] = static_cast<std::uint8_t>(20 + (x + y) % 2);
      }
    }
    pixels[static_cast<std::size_t>(c.y * c.width + c.x)] = 0;
    pixels[static_cast<std::size_t>((c.y + c.dy) * c.width + c.x + c.dx)] = 40;
    const test::MemoryTexture alt("alt", c.width, c.height, 1, pixels, SampleFormat::kUInt8);
    EXPECT_EQ(largestRise8(alt, c.threads), 40) << c.name;
  }
  const test::MemoryTexture wide("alt", 1, 1, 2, {1, 2}, SampleFormat::kUInt16);
  EXPECT_EQ(largestRise8(wide, 1), 0);
}

// The step and the largest rise between neighbours, in steps, of 16-bit samples step x v +
// offset, and of whole numbers so in 32 bits or reals: as above, one pair of neighbours, v = 0
// and 40, in a field of 20 and 21, across a side or a corner, at the edges and in rows another
// thread scans; steps with an odd divisor that the first samples do not show, or that they
// show alone.
TEST(AltitudeStep, ReachIsTheStepAndTheLargestRiseInSteps) {
  struct Case {
    std::string name;
    SampleFormat format;
    long long step, offset;
    int width, height;
    int x, y, dx, dy;  // the pair: (x, y) and (x + dx, y + dy), rows from 0
    int threads;
  };
  const Case cases[] = {
      {"metres, east", SampleFormat::kInt16, 1, -20, 7, 5, 0, 0, 1, 0, 1},
      {"shifted bytes, north", SampleFormat::kUInt16, 256, 0, 7, 5, 6, 2, 0, 1, 1},
      {"negative, north-east", SampleFormat::kInt16, 128, -16384, 7, 5, 3, 1, 1, 1, 1},
      {"north-west from the last column", SampleFormat::kUInt16, 4, 3, 7, 5, 6, 3, -1, 1, 1},
      {"widened bytes, east in the last row", SampleFormat::kUInt16, 257, 0, 7, 5, 5, 4, 1, 0, 1},
      {"odd step, north-west", SampleFormat::kInt16, 3, -30000, 7, 5, 3, 1, -1, 1, 1},
      {"between two threads' rows", SampleFormat::kUInt16, 2, 1, 1001, 9000, 500, 4499, 1, 1, 2},
      {"in the last thread's rows", SampleFormat::kInt16, 1, 0, 1001, 9000, 1000, 8998, -1, 1, 2},
      {"one column", SampleFormat::kUInt16, 8, 0, 1, 9, 0, 4, 0, 1, 1},
      {"float metres, east", SampleFormat::kFloat32, 1, -20, 7, 5, 0, 0, 1, 0, 1},
      {"floats, north-west from the last column", SampleFormat::kFloat32, 4, -3, 7, 5, 6, 3, -1,
       1, 1},
      {"floats between two threads' rows", SampleFormat::kFloat32, 2, 1, 1001, 9000, 500, 4499,
       1, 1, 2},
      {"floats, north-east in the last row but one", SampleFormat::kFloat32, 64, 1 << 20, 7, 5,
       2, 3, 1, 1, 1},
      {"floats of an odd step", SampleFormat::kFloat32, 3, 7, 7, 5, 3, 1, -1, 1, 1},
      {"doubles, north", SampleFormat::kFloat64, 1 << 16, -(1LL << 30), 7, 5, 6, 2, 0, 1, 1},
      {"32-bit, east in the last row", SampleFormat::kInt32, 1 << 24, -(1LL << 30), 7, 5, 5, 4,
       1, 0, 1},
      {"unsigned 32-bit, north-east", SampleFormat::kUInt32, 5, 100000, 7, 5, 3, 1, 1, 1, 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const std::size_t count =
        static_cast<std::size_t>(c.width) * static_cast<std::size_t>(c.height);
    std::vector<int> values(count);
    for (int y = 0; y < c.height; ++y) {
      for (int x = 0; x < c.width; ++x)
        values[static_cast<std::size_t>(y * c.width + x)] = 20 + (x + y) % 2;
    }
    values[static_cast<std::size_t>(c.y * c.width + c.x)] = 0;
    values[static_cast<std::size_t>((c.y + c.dy) * c.width + c.x + c.dx)] = 40;
    const int bytes = sampleBytes(c.format);
    test::Bytes pixels(count * static_cast<std::size_t>(bytes));
    for (std::size_t i = 0; i < count; ++i) {
      visitSample(c.format, [&]<class Sample>(Sample) {
        const auto sample = static_cast<Sample>(values[i] * c.step + c.offset);
        std::memcpy(pixels.data() + bytes * i, &sample, sizeof sample);
      });
    }
    const test::MemoryTexture alt("alt", c.width, c.height, bytes, pixels, c.format);
    const bool sixteenBit = bytes == 2;
    const AltitudeReach reach =
        sixteenBit ? sixteenBitReach(alt, c.threads) : wholeReach(alt, c.threads);
    EXPECT_EQ(reach.step, c.step);
    EXPECT_EQ(reach.rise, 40);
    EXPECT_EQ(altitudeStep(alt, c.threads), c.step);
  }
  // Multiples of 6 up to the last pixel, which is 2 above one: the first samples show 6.
  std::vector<std::uint16_t> sixes(1 << 17);
  for (std::size_t i = 0; i < sixes.size(); ++i) sixes[i] = static_cast<std::uint16_t>(6 * (i % 7));
  sixes.back() = 2;
  const test::MemoryTexture late("alt", 1 << 9, 1 << 8, 2, bytesOf(sixes), SampleFormat::kUInt16);
  EXPECT_EQ(sixteenBitReach(late, 2).step, 2);
  EXPECT_EQ(sixteenBitReach(late, 2).rise, 18);  // 36 beside 0
  const test::MemoryTexture extremes("alt", 2, 1, 2, bytesOf<std::int16_t>({-32768, 32767}),
                                     SampleFormat::kInt16);
  EXPECT_EQ(sixteenBitReach(extremes, 1).step, 65535);
  EXPECT_EQ(sixteenBitReach(extremes, 1).rise, 1);
  const test::MemoryTexture flat("alt", 2, 2, 2, bytesOf<std::uint16_t>({9, 9, 9, 9}),
                                 SampleFormat::kUInt16);
  EXPECT_EQ(sixteenBitReach(flat, 1).step, 1);
  EXPECT_EQ(sixteenBitReach(flat, 1).rise, 0);
  const test::MemoryTexture bytes("alt", 2, 1, 1, {0, 200}, SampleFormat::kUInt8);
  EXPECT_EQ(sixteenBitReach(bytes, 1).step, 0);
  EXPECT_EQ(wholeReach(bytes, 1).step, 0);
  // Reals that are not all whole numbers below 2^31 in size have no reach, wherever the one
  // that is not lies; ints of the extremes have a step beyond an int's.
  std::vector<float> wholeButLast(1 << 17, 8.0f);
  wholeButLast.back() = 8.5f;
  const std::vector<float> notWhole[] = {
      {0.5f, 1.0f}, {1.0f, std::nanf("")}, {0.0f, 2147483648.0f}, {-2147483648.0f, 0.0f},
      {1.0f, -std::numeric_limits<float>::infinity()}, wholeButLast};
  for (const std::vector<float>& samples : notWhole) {
    const test::MemoryTexture reals("alt", static_cast<std::int32_t>(samples.size() / 2), 2, 4,
                                    bytesOf(samples), SampleFormat::kFloat32);
    const AltitudeReach reach = wholeReach(reals, 2);
    EXPECT_EQ(reach.step, 0) << samples[0] << " " << samples.back();
    EXPECT_EQ(reach.rise, 0);
  }
  const test::MemoryTexture extremeInts("alt", 2, 1, 4,
                                        bytesOf<std::int32_t>({-2147483647, 2147483647}),
                                        SampleFormat::kInt32);
  EXPECT_EQ(wholeReach(extremeInts, 1).step, 1);
  EXPECT_EQ(wholeReach(extremeInts, 1).rise, std::numeric_limits<int>::max());
}

TEST(AltitudeStep, IntegerExtremesReachEverySampleOfAnyLength) {
  // Lengths about the vector widths (16 to 64 bytes), with the extremes first, last or in
  // the scalar tail, and low and high coming in already beyond or inside the samples.
  struct Case {
    int length;
    int lowAt;  // where the lowest sample goes, -1: last
    int highAt;
    int lowIn;  // low and high given
    int highIn;
  };
  const Case cases[] = {{1, 0, 0, 255, 0},       {15, 14, 0, 255, 0},    {16, -1, 3, 255, 0},
                        {17, 16, 15, 255, 0},    {63, 0, -1, 255, 0},    {64, 33, 32, 255, 0},
                        {65, -1, 63, 255, 0},    {1000, 999, 998, 255, 0}, {40, 5, 6, 2, 250}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.length);
    const auto place = [&](int at) { return at < 0 ? c.length - 1 : at; };
    // Every other sample lies strictly between 10 and 240 (and -3000 and 3000).
    std::vector<std::uint8_t> bytes(static_cast<std::size_t>(c.length));
    std::vector<std::uint16_t> words(bytes.size());
    std::vector<std::int16_t> signedWords(bytes.size());
    for (std::size_t i = 0; i < bytes.size(); ++i) {
      bytes[i] = static_cast<std::uint8_t>(11 + i * 7 % 228);
      words[i] = static_cast<std::uint16_t>(1000 + i * 37 % 50000);
      signedWords[i] = static_cast<std::int16_t>(-2999 + static_cast<int>(i * 53 % 5998));
    }
    const auto at = [](int i) { return static_cast<std::size_t>(i); };
    bytes[at(place(c.lowAt))] = 10;
    words[at(place(c.lowAt))] = 7;
    signedWords[at(place(c.lowAt))] = -3000;
    bytes[at(place(c.highAt))] = 240;
    words[at(place(c.highAt))] = 65000;
    signedWords[at(place(c.highAt))] = 3000;
    const bool one = c.length == 1;
    if (one) {  // one sample: both
      bytes[0] = 10;
      words[0] = 7;
      signedWords[0] = -3000;
    }
    std::uint8_t low8 = static_cast<std::uint8_t>(c.lowIn);
    std::uint8_t high8 = static_cast<std::uint8_t>(c.highIn);
    widenIntegerExtremes(bytes.data(), bytes.size(), low8, high8);
    EXPECT_EQ(low8, c.lowIn < 10 ? c.lowIn : 10);
    EXPECT_EQ(high8, c.highIn > 240 ? c.highIn : one ? 10 : 240);
    std::uint16_t low16 = 65535;
    std::uint16_t high16 = 0;
    std::vector<std::uint8_t> raw(words.size() * 2);
    std::memcpy(raw.data(), words.data(), raw.size());
    widenIntegerExtremes(raw.data(), words.size(), low16, high16);
    EXPECT_EQ(low16, 7);
    EXPECT_EQ(high16, one ? 7 : 65000);
    std::int16_t lowSigned = 32767;
    std::int16_t highSigned = -32768;
    std::memcpy(raw.data(), signedWords.data(), raw.size());
    widenIntegerExtremes(raw.data(), signedWords.size(), lowSigned, highSigned);
    EXPECT_EQ(lowSigned, -3000);
    EXPECT_EQ(highSigned, one ? -3000 : 3000);
  }
}

}  // namespace
}  // namespace quorvel
