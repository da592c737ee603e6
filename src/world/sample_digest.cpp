#include "world/sample_digest.h"

#include <xxhash.h>

#include <algorithm>
#include <bit>
#include <cstring>
#include <vector>

namespace quorvel {

SampleDigest sampleDigest(const std::uint8_t* bytes, std::size_t size) {
  XXH128_canonical_t canonical;
  ::XXH128_canonicalFromHash(&canonical, ::XXH3_128bits(bytes, size));
  SampleDigest digest;
  static_assert(sizeof canonical.digest == sizeof digest);
  std::memcpy(digest.data(), canonical.digest, digest.size());
  return digest;
}

SampleDigest sampleDigestOf(const Texture& image) {
  const std::size_t size = static_cast<std::size_t>(sampleBytes(image.sampleFormat));
  if (std::endian::native == std::endian::little || size == 1) {
    return sampleDigest(image.pixels.data(), image.pixels.size());
  }
  std::vector<std::uint8_t> swapped = image.pixels;
  for (std::size_t at = 0; at + size <= swapped.size(); at += size) {
    std::reverse(swapped.begin() + static_cast<std::ptrdiff_t>(at),
                 swapped.begin() + static_cast<std::ptrdiff_t>(at + size));
  }
  return sampleDigest(swapped.data(), swapped.size());
}

}  // namespace quorvel
