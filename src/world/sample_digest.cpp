#include "world/sample_digest.h"

#include <xxhash.h>

#include <cstring>

namespace quorvel {

SampleDigest sampleDigest(const std::uint8_t* bytes, std::size_t size) {
  XXH128_canonical_t canonical;
  ::XXH128_canonicalFromHash(&canonical, ::XXH3_128bits(bytes, size));
  SampleDigest digest;
  static_assert(sizeof canonical.digest == sizeof digest);
  std::memcpy(digest.data(), canonical.digest, digest.size());
  return digest;
}

}  // namespace quorvel
