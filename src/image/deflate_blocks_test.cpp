#include "image/deflate_blocks.h"

#include <zlib.h>

#include <algorithm>
#include <bit>
#include <cstdint>
#include <cstring>
#include <string>
#include <utility>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Rows as the floating-point predictor stores them, built by hand: the samples' bytes in
// planes, the most significant first, then each byte's difference from the one before.
TEST(DeflateBlocks, PredictorUndoneGivesTheSamples) {
  struct Case {
    const char* name;
    int sampleBytes;
    Bytes stored;    // the row as stored
    Bytes samples;   // the samples' bytes, most significant first
  };
  // 37 floats, s x 0x01020304 + 0xF0F1F2F3 modulo 2^32: runs of sixteen and a tail, with
  // bytes that wrap round 256 in their differences.
  Case long37{"37 floats", 4, {}, {}};
  for (std::uint32_t s = 0; s < 37; ++s) {
    const std::uint32_t bits = s * 0x01020304u + 0xF0F1F2F3u;
    for (int shift = 24; shift >= 0; shift -= 8) {
      long37.samples.push_back(static_cast<std::uint8_t>(bits >> shift));
    }
  }
  for (int p = 0; p < 4; ++p) {
    for (int s = 0; s < 37; ++s) long37.stored.push_back(long37.samples[4 * s + p]);
  }
  for (std::size_t i = long37.stored.size() - 1; i > 0; --i) {
    long37.stored[i] = static_cast<std::uint8_t>(long37.stored[i] - long37.stored[i - 1]);
  }
  const Case cases[] = {
      // 1.0f, 2.0f: 3F800000, 40000000; planes 3F 40 | 80 00 | 00 00 | 00 00.
      {"two floats", 4, {0x3F, 0x01, 0x40, 0x80, 0x00, 0x00, 0x00, 0x00},
       {0x3F, 0x80, 0x00, 0x00, 0x40, 0x00, 0x00, 0x00}},
      // -0.5f, one sample: BF000000; differences wrap round 256.
      {"one float", 4, {0xBF, 0x41, 0x00, 0x00}, {0xBF, 0x00, 0x00, 0x00}},
      // 1.0 as a double: 3FF0000000000000.
      {"a double", 8, {0x3F, 0xB1, 0x10, 0, 0, 0, 0, 0}, {0x3F, 0xF0, 0, 0, 0, 0, 0, 0}},
      long37,
  };
  for (const Case& c : cases) {
    const std::size_t count = c.stored.size() / c.sampleBytes;
    Bytes expected = c.samples;
    if (std::endian::native == std::endian::little) {
      for (std::size_t s = 0; s < expected.size(); s += c.sampleBytes) {
        std::reverse(expected.begin() + s, expected.begin() + s + c.sampleBytes);
      }
    }
    // The whole row, and the samples of a window of it.
    for (const auto& [first, kept] : {std::pair<std::size_t, std::size_t>{0, count},
                                      {count / 3, count - count / 3 - count / 4}}) {
      SCOPED_TRACE(std::string(c.name) + ", from sample " + std::to_string(first));
      Bytes row = c.stored;
      Bytes out(kept * c.sampleBytes + 1, 0xAA);  // one byte beyond, which stays
      undoFloatPredictor(row.data(), count, c.sampleBytes, first, kept, out.data());
      EXPECT_EQ(out.back(), 0xAA);
      out.pop_back();
      EXPECT_EQ(out, Bytes(expected.begin() + first * c.sampleBytes,
                           expected.begin() + (first + kept) * c.sampleBytes));
    }
  }
}

// A block's stream must fill what it is inflated into exactly: short, long and corrupt
// streams are refused, and the reader then lets GDAL read the block.
TEST(DeflateBlocks, InflatesOnlyAStreamOfTheBlocksSize) {
  const Bytes plain(1000, 7);
  Bytes stream(compressBound(plain.size()));
  uLongf length = stream.size();
  ASSERT_EQ(compress(stream.data(), &length, plain.data(), plain.size()), Z_OK);
  stream.resize(length);
  Bytes corrupt = stream;
  corrupt[corrupt.size() / 2] ^= 0xFF;
  struct Case {
    const char* name;
    Bytes in;
    std::size_t outBytes;
    bool inflated;
  };
  const Case cases[] = {
      {"the block", stream, 1000, true},
      {"a block larger than the stream's", stream, 1001, false},
      {"a block smaller than the stream's", stream, 999, false},
      {"cut short", Bytes(stream.begin(), stream.end() - 3), 1000, false},
      {"corrupt", corrupt, 1000, false},
      {"empty", {}, 1000, false},
  };
  BlockInflater inflater;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    Bytes out(c.outBytes, 0);
    EXPECT_EQ(inflater.inflate(c.in.data(), c.in.size(), out.data(), out.size()), c.inflated);
    if (c.inflated) {
      EXPECT_EQ(out, plain);
    }
  }
}

}  // namespace
}  // namespace quorvel
