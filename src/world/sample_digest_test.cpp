#include "world/sample_digest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "memory_texture.h"
#include "printf_text.h"

namespace quorvel {
namespace {

// A tile is rebuilt only when its digest moves: every one-bit change, at the start, in the
// middle and in the zero-padded tail, must move it, and so must a zero byte more or less.
TEST(SampleDigest, EveryBitAndTheLengthMoveIt) {
  std::uint32_t seed = 12345;
  for (const std::size_t size : {0u, 1u, 7u, 8u, 31u, 32u, 33u, 63u, 64u, 100u, 1000u}) {
    SCOPED_TRACE(size);
    std::vector<std::uint8_t> bytes(size);
    for (std::uint8_t& byte : bytes) {
      seed = seed * 1664525 + 1013904223;
      byte = static_cast<std::uint8_t>(seed >> 24);
    }
    const SampleDigest digest = sampleDigest(bytes.data(), bytes.size());
    std::set<SampleDigest> seen{digest};
    for (const std::size_t at : std::set<std::size_t>{0, size / 2, size - 1}) {
      if (at >= size) continue;
      for (int bit = 0; bit < 8; ++bit) {
        bytes[at] ^= static_cast<std::uint8_t>(1 << bit);
        EXPECT_TRUE(seen.insert(sampleDigest(bytes.data(), bytes.size())).second)
            << at << ":" << bit;
        bytes[at] ^= static_cast<std::uint8_t>(1 << bit);
      }
    }
    bytes.push_back(0);
    EXPECT_TRUE(seen.insert(sampleDigest(bytes.data(), bytes.size())).second);
    EXPECT_EQ(sampleDigest(bytes.data(), size), digest);
  }
}

// Manifests written on one machine are checked on others: the digest of these bytes may
// never change. XXH3-128's value (high half first), printed from xxHash itself.
TEST(SampleDigest, IsTheSameOnEveryMachine) {
  const std::string text = "quorvel samples, 0123456789 abcdefghijklmnopqrstuvwxyz";
  const SampleDigest digest =
      sampleDigest(reinterpret_cast<const std::uint8_t*>(text.data()), text.size());
  std::string hex;
  for (const std::uint8_t byte : digest) hex += printfText("%02x", byte);
  EXPECT_EQ(hex, "9814b3338ed75aba486646fcec1f66dc");
}

// A tile's colours kept in blocks of columns (Texture::blockColumns) are the same pixels as
// its rows: their digest is the rows' own, one block or many, one row or many, bytes or
// 16-bit samples.
TEST(SampleDigest, BlocksOfColumnsGiveTheDigestOfTheirRows) {
  struct Case {
    int blockColumns;
    int blocks;
    int height;
    int pixelBytes;
    SampleFormat format;
  };
  const Case cases[] = {{51, 1, 1, 3, SampleFormat::kUInt8},  {51, 20, 7, 3, SampleFormat::kUInt8},
                        {3, 5, 4, 1, SampleFormat::kUInt8},   {2, 9, 3, 3, SampleFormat::kUInt8},
                        {5, 4, 6, 2, SampleFormat::kUInt16}};
  std::uint32_t seed = 99;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.blockColumns * 100 + c.blocks);
    const int width = c.blocks * (c.blockColumns - 1) + 1;
    const auto rowBytes = static_cast<std::size_t>(width * c.pixelBytes);
    test::Bytes rows(rowBytes * static_cast<std::size_t>(c.height));
    for (std::uint8_t& byte : rows) {
      seed = seed * 1664525 + 1013904223;
      byte = static_cast<std::uint8_t>(seed >> 24);
    }
    // Block b holds columns b (blockColumns - 1) on, blockColumns of each row, row 0 first.
    test::Bytes blocked;
    for (int b = 0; b < c.blocks; ++b) {
      for (int y = 0; y < c.height; ++y) {
        const std::size_t from = static_cast<std::size_t>(y) * rowBytes +
                                 static_cast<std::size_t>(b * (c.blockColumns - 1) * c.pixelBytes);
        blocked.insert(blocked.end(), rows.begin() + static_cast<std::ptrdiff_t>(from),
                       rows.begin() + static_cast<std::ptrdiff_t>(
                                          from + static_cast<std::size_t>(c.blockColumns *
                                                                          c.pixelBytes)));
      }
    }
    test::MemoryTexture texture("colour.bmp", width, c.height, c.pixelBytes, blocked, c.format);
    texture.blockColumns = c.blockColumns;
    SampleDigest expected;
    if (c.format == SampleFormat::kUInt16) {
      // The digest takes samples little-endian: the rows' bytes are those samples' bytes.
      std::vector<std::uint8_t> little(rows.size());
      for (std::size_t i = 0; i + 1 < rows.size(); i += 2) {
        std::uint16_t sample = 0;
        std::memcpy(&sample, rows.data() + i, 2);
        little[i] = static_cast<std::uint8_t>(sample & 0xFF);
        little[i + 1] = static_cast<std::uint8_t>(sample >> 8);
      }
      expected = sampleDigest(little.data(), little.size());
    } else {
      expected = sampleDigest(rows.data(), rows.size());
    }
    EXPECT_EQ(sampleDigestOf(texture), expected);
    texture.blockColumns = 0;  // and the rows themselves, through the plain path
    texture.pixels = rows;
    EXPECT_EQ(sampleDigestOf(texture), expected);
  }
}

}  // namespace
}  // namespace quorvel
