#include "world/sample_digest.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <set>
#include <string>
#include <vector>

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

}  // namespace
}  // namespace quorvel
