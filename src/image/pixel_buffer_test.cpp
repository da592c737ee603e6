#include "image/pixel_buffer.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

// Prepared or not, for the file or another, larger or smaller than what was prepared (the
// prepared buffer only fits up to its size), and after it is taken: every buffer is the size
// asked for and all zeros, whatever it held before.
TEST(PixelBuffer, EveryResizeGivesZerosOfTheSizeAskedFor) {
  PixelBuffers buffers;
  buffers.prepare({{"a.bmp", 1000}, {"b.bmp", 5u << 20}});
  struct Case {
    const char* fileName;
    std::size_t bytes;
  };
  const Case cases[] = {{"a.bmp", 3000}, {"a.bmp", 600},  {"a.bmp", 600}, {"b.bmp", 1000},
                        {"c.bmp", 800},  {"", 100},       {"b.bmp", 0}};
  std::vector<std::uint8_t> pixels(5000, 7);
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.fileName) + ", " + std::to_string(c.bytes) + " bytes");
    pixels.assign(pixels.capacity(), 7);
    buffers.resize(pixels, c.bytes, c.fileName);
    ASSERT_EQ(pixels.size(), c.bytes);
    EXPECT_TRUE(std::all_of(pixels.begin(), pixels.end(), [](std::uint8_t b) { return b == 0; }));
  }
}

// The prepared buffer itself is handed over, not a copy or a fresh one.
TEST(PixelBuffer, ALoadTakesTheBufferPreparedForItsFile) {
  PixelBuffers buffers;
  buffers.prepare({{"a.bmp", 3u << 20}});
  std::vector<std::uint8_t> first;
  buffers.resize(first, 1u << 20, "a.bmp");
  const std::uint8_t* taken = first.data();
  EXPECT_GE(first.capacity(), std::size_t{3} << 20) << "the prepared buffer, not a new one";
  std::vector<std::uint8_t> second;
  buffers.resize(second, 1u << 20, "a.bmp");
  EXPECT_NE(second.data(), taken) << "a buffer is taken once";
  EXPECT_LT(second.capacity(), std::size_t{3} << 20);
}

}  // namespace
}  // namespace quorvel
