#include "image/deflate_blocks.h"

#include <libdeflate.h>

#include <bit>
#include <cstring>
#include <new>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

namespace quorvel {

namespace {

// The running sum of the row's bytes, modulo 256, in place: one chain through the row. With
// SSE2, which every x86-64 has, sixteen bytes at a time: each vector's own sums in four
// shifted additions, then the sum of the bytes before it, the last byte of the vector before.
void runningSum(std::uint8_t* row, std::size_t bytes) {
  std::size_t i = 0;
  std::uint8_t sum = 0;
#ifdef __SSE2__
  __m128i carry = _mm_setzero_si128();
  for (; i + 16 <= bytes; i += 16) {
    __m128i x = _mm_loadu_si128(reinterpret_cast<const __m128i*>(row + i));
    x = _mm_add_epi8(x, _mm_slli_si128(x, 1));
    x = _mm_add_epi8(x, _mm_slli_si128(x, 2));
    x = _mm_add_epi8(x, _mm_slli_si128(x, 4));
    x = _mm_add_epi8(x, _mm_slli_si128(x, 8));
    x = _mm_add_epi8(x, carry);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(row + i), x);
    // Byte 15 in every lane: doubled into word 7, spread over the high words, then the
    // high double word over the vector.
    carry = _mm_shuffle_epi32(_mm_shufflehi_epi16(_mm_unpackhi_epi8(x, x), 0xFF), 0xFF);
  }
  if (i > 0) sum = row[i - 1];
#endif
  for (; i < bytes; ++i) {
    sum = static_cast<std::uint8_t>(sum + row[i]);
    row[i] = sum;
  }
}

}  // namespace

void undoFloatPredictor(std::uint8_t* row, std::size_t count, int sampleBytes, std::size_t first,
                        std::size_t kept, std::uint8_t* out) {
  const auto bytes = static_cast<std::size_t>(sampleBytes);
  runningSum(row, count * bytes);
  // Plane p holds byte p of each sample, the most significant first.
  std::size_t s = first;
  const std::size_t end = first + kept;
  if (sampleBytes == 4 && std::endian::native == std::endian::little) {
    const std::uint8_t* planes[4] = {row, row + count, row + 2 * count, row + 3 * count};
#ifdef __SSE2__
    // Sixteen samples at a time: the planes' bytes interleaved in pairs, then the pairs.
    const auto load = [&](int p) {
      return _mm_loadu_si128(reinterpret_cast<const __m128i*>(planes[p] + s));
    };
    for (; s + 16 <= end; s += 16) {
      const __m128i low = load(3);
      const __m128i third = load(2);
      const __m128i second = load(1);
      const __m128i high = load(0);
      const __m128i lowPairs = _mm_unpacklo_epi8(low, third);
      const __m128i lowPairsNext = _mm_unpackhi_epi8(low, third);
      const __m128i highPairs = _mm_unpacklo_epi8(second, high);
      const __m128i highPairsNext = _mm_unpackhi_epi8(second, high);
      auto* to = reinterpret_cast<__m128i*>(out + 4 * (s - first));
      _mm_storeu_si128(to, _mm_unpacklo_epi16(lowPairs, highPairs));
      _mm_storeu_si128(to + 1, _mm_unpackhi_epi16(lowPairs, highPairs));
      _mm_storeu_si128(to + 2, _mm_unpacklo_epi16(lowPairsNext, highPairsNext));
      _mm_storeu_si128(to + 3, _mm_unpackhi_epi16(lowPairsNext, highPairsNext));
    }
#endif
    // A float, the usual case, is its bits as a number, put together a word at a time; in
    // memory that number is the sample in the host's order.
    for (; s < end; ++s) {
      const std::uint32_t bits = std::uint32_t{planes[0][s]} << 24 |
                                 std::uint32_t{planes[1][s]} << 16 |
                                 std::uint32_t{planes[2][s]} << 8 | planes[3][s];
      std::memcpy(out + 4 * (s - first), &bits, 4);
    }
    return;
  }
  for (std::size_t p = 0; p < bytes; ++p) {
    const std::uint8_t* plane = row + p * count;
    const std::size_t at = std::endian::native == std::endian::little ? bytes - 1 - p : p;
    for (std::size_t t = first; t < end; ++t) out[(t - first) * bytes + at] = plane[t];
  }
}

struct BlockInflater::Decompressor {
  libdeflate_decompressor* state;
};

BlockInflater::BlockInflater()
    : decompressor_(std::make_unique<Decompressor>(Decompressor{libdeflate_alloc_decompressor()})) {
  if (decompressor_->state == nullptr) throw std::bad_alloc();
}

BlockInflater::~BlockInflater() { libdeflate_free_decompressor(decompressor_->state); }

bool BlockInflater::inflate(const std::uint8_t* in, std::size_t inBytes, std::uint8_t* out,
                            std::size_t outBytes) {
  std::size_t written = 0;
  return libdeflate_zlib_decompress(decompressor_->state, in, inBytes, out, outBytes, &written) ==
             LIBDEFLATE_SUCCESS &&
         written == outBytes;
}

}  // namespace quorvel
