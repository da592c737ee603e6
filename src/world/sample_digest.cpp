#include "world/sample_digest.h"

#include <xxhash.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <memory>
#include <new>
#include <vector>

namespace quorvel {

namespace {

// A hash in its canonical bytes, the same on every machine.
SampleDigest digestOf(XXH128_hash_t hash) {
  XXH128_canonical_t canonical;
  ::XXH128_canonicalFromHash(&canonical, hash);
  SampleDigest digest;
  static_assert(sizeof canonical.digest == sizeof digest);
  std::memcpy(digest.data(), canonical.digest, digest.size());
  return digest;
}

// Makes the samples of bytes little-endian in place.
void toLittleEndian(std::uint8_t* bytes, std::size_t count, std::size_t size) {
  if (std::endian::native == std::endian::little || size == 1) return;
  for (std::size_t at = 0; at + size <= count; at += size) {
    std::reverse(bytes + at, bytes + at + size);
  }
}

// The digest of a record kept in blocks of columns (Texture::blockColumns) is that of the same
// pixels in rows: each row is gathered from the blocks, without the column a block shares with
// the one before it, and fed to one XXH3 state, which gives the value of the whole whatever
// the pieces.
SampleDigest blockedDigest(const Texture& image, std::size_t size) {
  const auto width = static_cast<std::size_t>(image.width);
  const auto height = static_cast<std::size_t>(image.height);
  const auto pixel = static_cast<std::size_t>(image.bytesPerPixel);
  const auto columns = static_cast<std::size_t>(image.blockColumns);
  const std::size_t blocks = width > 1 ? (width - 1) / (columns - 1) : 0;
  const std::size_t blockRow = columns * pixel;
  const std::size_t blockBytes = blockRow * height;
  const std::unique_ptr<XXH3_state_t, XXH_errorcode (*)(XXH3_state_t*)> state(
      ::XXH3_createState(), ::XXH3_freeState);
  if (!state) throw std::bad_alloc();
  ::XXH3_128bits_reset(state.get());
  std::vector<std::uint8_t> row(width * pixel);
  for (std::size_t y = 0; y < height && blocks > 0; ++y) {
    const std::uint8_t* from = image.pixels.data() + y * blockRow;
    std::memcpy(row.data(), from, blockRow);
    for (std::size_t b = 1; b < blocks; ++b) {
      std::memcpy(row.data() + pixel + b * (blockRow - pixel), from + b * blockBytes + pixel,
                  blockRow - pixel);
    }
    toLittleEndian(row.data(), row.size(), size);
    ::XXH3_128bits_update(state.get(), row.data(), row.size());
  }
  return digestOf(::XXH3_128bits_digest(state.get()));
}

}  // namespace

SampleDigest sampleDigest(const std::uint8_t* bytes, std::size_t size) {
  return digestOf(::XXH3_128bits(bytes, size));
}

SampleDigest sampleDigestOf(const Texture& image) {
  const std::size_t size = static_cast<std::size_t>(sampleBytes(image.sampleFormat));
  if (image.blockColumns > 1) return blockedDigest(image, size);
  if (std::endian::native == std::endian::little || size == 1) {
    return sampleDigest(image.pixels.data(), image.pixels.size());
  }
  std::vector<std::uint8_t> swapped = image.pixels;
  toLittleEndian(swapped.data(), swapped.size(), size);
  return sampleDigest(swapped.data(), swapped.size());
}

}  // namespace quorvel
