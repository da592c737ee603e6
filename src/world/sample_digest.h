#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "image/texture.h"

namespace quorvel {

using SampleDigest = std::array<std::uint8_t, 16>;

// A checksum of a tile's input pixels, for telling whether they changed since the last build:
// xxHash's XXH3-128 in its canonical (big-endian) bytes, the same on every processor. A world
// hashes some 13 bytes a pixel of input, and SHA-256 of them would cost as much as a quarter of
// the build. Not a defence against anyone forging inputs: the digest only says whether pixels
// differ from the ones a tile was built from.
[[nodiscard]] SampleDigest sampleDigest(const std::uint8_t* bytes, std::size_t size);

// sampleDigest of an image's samples as little-endian bytes, so that every processor gives the
// same digest.
[[nodiscard]] SampleDigest sampleDigestOf(const Texture& image);

}  // namespace quorvel
