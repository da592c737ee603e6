#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

namespace quorvel {

using SampleDigest = std::array<std::uint8_t, 32>;

// A checksum of a tile's input pixels, for telling whether they changed since the last build:
// a world hashes some 13 bytes a pixel of input, and SHA-256 of them cost as much as a quarter
// of the build. Four 64-bit lanes, each word folded in with a multiplication and a shift,
// both invertible, so that a change to any one word always changes its lane; the length and a
// final mixing go into each lane. Words are read little-endian, so every processor gives the
// same digest. Not a defence against anyone forging inputs: the digest only says whether
// pixels differ from the ones a tile was built from.
[[nodiscard]] SampleDigest sampleDigest(const std::uint8_t* bytes, std::size_t size);

}  // namespace quorvel
