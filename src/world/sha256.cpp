#include "world/sha256.h"

#include <bit>
#include <cstring>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#define QUORVEL_SHA_INSTRUCTIONS 1
#endif

namespace quorvel {
namespace {

alignas(16) constexpr std::uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

constexpr std::array<std::uint32_t, 8> kInitialState = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

std::uint32_t loadBe32(const std::uint8_t* in) {
  return std::uint32_t{in[0]} << 24 | std::uint32_t{in[1]} << 16 | std::uint32_t{in[2]} << 8 |
         std::uint32_t{in[3]};
}

void compressPortable(std::array<std::uint32_t, 8>& state, const std::uint8_t* blocks,
                      std::size_t count) {
  for (; count > 0; --count, blocks += 64) {
    std::uint32_t w[64];
    for (int t = 0; t < 16; ++t) w[t] = loadBe32(blocks + 4 * t);
    for (int t = 16; t < 64; ++t) {
      const std::uint32_t s0 = std::rotr(w[t - 15], 7) ^ std::rotr(w[t - 15], 18) ^ w[t - 15] >> 3;
      const std::uint32_t s1 = std::rotr(w[t - 2], 17) ^ std::rotr(w[t - 2], 19) ^ w[t - 2] >> 10;
      w[t] = w[t - 16] + s0 + w[t - 7] + s1;
    }
    std::uint32_t a = state[0], b = state[1], c = state[2], d = state[3];
    std::uint32_t e = state[4], f = state[5], g = state[6], h = state[7];
    for (int t = 0; t < 64; ++t) {
      const std::uint32_t t1 = h + (std::rotr(e, 6) ^ std::rotr(e, 11) ^ std::rotr(e, 25)) +
                               ((e & f) ^ (~e & g)) + kRoundConstants[t] + w[t];
      const std::uint32_t t2 =
          (std::rotr(a, 2) ^ std::rotr(a, 13) ^ std::rotr(a, 22)) + ((a & b) ^ (a & c) ^ (b & c));
      h = g;
      g = f;
      f = e;
      e = d + t1;
      d = c;
      c = b;
      b = a;
      a = t1 + t2;
    }
    state[0] += a;
    state[1] += b;
    state[2] += c;
    state[3] += d;
    state[4] += e;
    state[5] += f;
    state[6] += g;
    state[7] += h;
  }
}

#ifdef QUORVEL_SHA_INSTRUCTIONS
// The rounds in the SHA extensions' order: the state as the two vectors ABEF and CDGH, four
// rounds a group, with group n's four message words
//   W[n] = msg2(msg1(W[n - 4], W[n - 3]) + (W[n - 1], W[n - 2] shifted by one word), W[n - 1]),
// each part computed as soon as its inputs are, so that it runs in the shadow of the rounds.
// Streams messages at once, count blocks of each: their rounds interleaved, two chains that
// the processor runs side by side where one alone waits on its own rounds' latency.
template <int Streams>
__attribute__((target("sha,ssse3,sse4.1"))) void compressWithShaInstructions(
    std::array<std::uint32_t, 8>* const* states, const std::uint8_t* const* blocksOf,
    std::size_t count) {
  const __m128i byteSwap = _mm_set_epi64x(0x0c0d0e0f08090a0bLL, 0x0405060700010203LL);
  const std::uint8_t* blocks[Streams];
  __m128i abef[Streams];
  __m128i cdgh[Streams];
  for (int s = 0; s < Streams; ++s) {
    blocks[s] = blocksOf[s];
    const __m128i dcba = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&(*states[s])[0]));
    const __m128i hgfe = _mm_loadu_si128(reinterpret_cast<const __m128i*>(&(*states[s])[4]));
    const __m128i cdab = _mm_shuffle_epi32(dcba, 0xB1);
    const __m128i efgh = _mm_shuffle_epi32(hgfe, 0x1B);
    abef[s] = _mm_alignr_epi8(cdab, efgh, 8);
    cdgh[s] = _mm_blend_epi16(efgh, cdab, 0xF0);
  }
  for (; count > 0; --count) {
    __m128i abefBefore[Streams];
    __m128i cdghBefore[Streams];
    __m128i w[Streams][4];  // W[n] in w[n % 4]
    for (int s = 0; s < Streams; ++s) {
      abefBefore[s] = abef[s];
      cdghBefore[s] = cdgh[s];
    }
#pragma GCC unroll 16
    for (int n = 0; n < 16; ++n) {
#pragma GCC unroll 2
      for (int s = 0; s < Streams; ++s) {
        if (n < 4) {
          w[s][n] = _mm_shuffle_epi8(
              _mm_loadu_si128(reinterpret_cast<const __m128i*>(blocks[s] + 16 * n)), byteSwap);
        }
        __m128i sum = _mm_add_epi32(
            w[s][n % 4], _mm_load_si128(reinterpret_cast<const __m128i*>(&kRoundConstants[4 * n])));
        cdgh[s] = _mm_sha256rnds2_epu32(cdgh[s], abef[s], sum);
        if (n >= 3 && n <= 14) {  // W[n + 1], begun by msg1 two groups ago
          __m128i& next = w[s][(n + 1) % 4];
          next = _mm_sha256msg2_epu32(
              _mm_add_epi32(next, _mm_alignr_epi8(w[s][n % 4], w[s][(n + 3) % 4], 4)),
              w[s][n % 4]);
        }
        sum = _mm_shuffle_epi32(sum, 0x0E);
        abef[s] = _mm_sha256rnds2_epu32(abef[s], cdgh[s], sum);
        if (n >= 1 && n <= 12) {  // W[n + 3] begins
          w[s][(n + 3) % 4] = _mm_sha256msg1_epu32(w[s][(n + 3) % 4], w[s][n % 4]);
        }
      }
    }
    for (int s = 0; s < Streams; ++s) {
      abef[s] = _mm_add_epi32(abef[s], abefBefore[s]);
      cdgh[s] = _mm_add_epi32(cdgh[s], cdghBefore[s]);
      blocks[s] += 64;
    }
  }
  for (int s = 0; s < Streams; ++s) {
    const __m128i feba = _mm_shuffle_epi32(abef[s], 0x1B);
    const __m128i dchg = _mm_shuffle_epi32(cdgh[s], 0xB1);
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&(*states[s])[0]),
                     _mm_blend_epi16(feba, dchg, 0xF0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&(*states[s])[4]), _mm_alignr_epi8(dchg, feba, 8));
  }
}

// From the processor's own word (clang's __builtin_cpu_supports knows no "sha"): the SHA
// extensions are bit 29 of EBX in leaf 7, SSSE3 and SSE 4.1 bits 9 and 19 of ECX in leaf 1.
bool hasShaInstructions() {
  static const bool has = [] {
    unsigned a = 0, b = 0, c = 0, d = 0;
    if (__get_cpuid(1, &a, &b, &c, &d) == 0 || (c & (1u << 9)) == 0 || (c & (1u << 19)) == 0) {
      return false;
    }
    return __get_cpuid_count(7, 0, &a, &b, &c, &d) != 0 && (b & (1u << 29)) != 0;
  }();
  return has;
}
#else
bool hasShaInstructions() { return false; }
#endif

}  // namespace

Sha256::Sha256(Rounds rounds)
    : state_(kInitialState), shaInstructions_(rounds == Rounds::kFastest && hasShaInstructions()) {}

void Sha256::compress(const std::uint8_t* blocks, std::size_t count) {
#ifdef QUORVEL_SHA_INSTRUCTIONS
  if (shaInstructions_) {
    std::array<std::uint32_t, 8>* const states[1] = {&state_};
    compressWithShaInstructions<1>(states, &blocks, count);
    return;
  }
#endif
  compressPortable(state_, blocks, count);
}

void Sha256::fillBuffer(const std::uint8_t*& bytes, std::size_t& size) {
  if (buffered_ == 0) return;
  const std::size_t taken = std::min(size, buffer_.size() - buffered_);
  std::memcpy(buffer_.data() + buffered_, bytes, taken);
  buffered_ += taken;
  bytes += taken;
  size -= taken;
  if (buffered_ < buffer_.size()) return;
  compress(buffer_.data(), 1);
  buffered_ = 0;
}

void Sha256::absorb(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return;  // all taken by a block still short
  compress(bytes, size / 64);
  bytes += size / 64 * 64;
  size %= 64;
  std::memcpy(buffer_.data(), bytes, size);
  buffered_ = size;
}

void Sha256::update(const void* data, std::size_t size) {
  const auto* bytes = static_cast<const std::uint8_t*>(data);
  length_ += size;
  fillBuffer(bytes, size);
  absorb(bytes, size);
}

void Sha256::updateBoth(Sha256& a, const void* aData, std::size_t aSize, Sha256& b,
                        const void* bData, std::size_t bSize) {
  const auto* aBytes = static_cast<const std::uint8_t*>(aData);
  const auto* bBytes = static_cast<const std::uint8_t*>(bData);
  a.length_ += aSize;
  b.length_ += bSize;
  a.fillBuffer(aBytes, aSize);
  b.fillBuffer(bBytes, bSize);
#ifdef QUORVEL_SHA_INSTRUCTIONS
  if (a.shaInstructions_ && b.shaInstructions_ && a.buffered_ == 0 && b.buffered_ == 0) {
    const std::size_t both = std::min(aSize, bSize) / 64;
    std::array<std::uint32_t, 8>* const states[2] = {&a.state_, &b.state_};
    const std::uint8_t* const blocks[2] = {aBytes, bBytes};
    compressWithShaInstructions<2>(states, blocks, both);
    aBytes += both * 64;
    bBytes += both * 64;
    aSize -= both * 64;
    bSize -= both * 64;
  }
#endif
  a.absorb(aBytes, aSize);
  b.absorb(bBytes, bSize);
}

Sha256Digest Sha256::finish() {
  // A one bit, zeros up to 8 bytes short of a block's end, then the length in bits.
  const std::uint64_t bits = length_ * 8;
  std::uint8_t tail[72] = {0x80};
  const std::size_t zeros = (buffered_ < 56 ? 56 : 120) - buffered_;
  for (int i = 0; i < 8; ++i) tail[zeros + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  update(tail, zeros + 8);
  Sha256Digest digest;
  for (int i = 0; i < 8; ++i) {
    for (int k = 0; k < 4; ++k) {
      digest[4 * i + k] = static_cast<std::uint8_t>(state_[i] >> (24 - 8 * k));
    }
  }
  return digest;
}

std::string hexDigest(const Sha256Digest& digest) {
  constexpr char kDigits[] = "0123456789abcdef";
  std::string text;
  for (const std::uint8_t byte : digest) {
    text += kDigits[byte >> 4];
    text += kDigits[byte & 15];
  }
  return text;
}

}  // namespace quorvel
