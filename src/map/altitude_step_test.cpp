#include "map/altitude_step.h"

#include <cstdint>
#include <cstring>
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

TEST(AltitudeStep, IsTheCommonStepOfSixteenBitSamplesOnly) {
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
      {"32-bit", SampleFormat::kInt32, bytesOf<std::int32_t>({0, 256}), 1, 0},
      {"float", SampleFormat::kFloat32, bytesOf<float>({0.0f, 256.0f}), 1, 0},
  };
  for (const Case& c : cases) {
    const int bytes = sampleBytes(c.format);
    const auto width = static_cast<std::int32_t>(c.pixels.size() / static_cast<std::size_t>(bytes));
    const test::MemoryTexture alt("alt", width, 1, bytes, c.pixels, c.format);
    EXPECT_EQ(altitudeStep(alt, c.threads), c.step) << c.name;
  }
}

}  // namespace
}  // namespace quorvel
