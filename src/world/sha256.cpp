#include "world/sha256.h"

#include <openssl/evp.h>

#include <algorithm>
#include <cstring>
#include <new>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <cpuid.h>
#include <immintrin.h>
#define QUORVEL_SHA_INSTRUCTIONS 1
#endif

namespace quorvel {

void Sha256::Free::operator()(evp_md_ctx_st* context) const { ::EVP_MD_CTX_free(context); }

Sha256::Sha256() : context_(::EVP_MD_CTX_new()) {
  if (!context_ || ::EVP_DigestInit_ex(context_.get(), ::EVP_sha256(), nullptr) != 1) {
    throw std::bad_alloc();
  }
}

Sha256::~Sha256() = default;
Sha256::Sha256(Sha256&&) noexcept = default;
Sha256& Sha256::operator=(Sha256&&) noexcept = default;

void Sha256::update(const void* data, std::size_t size) {
  // SHA-256 in software fails on nothing but a spent context, which is a caller's bug.
  [[maybe_unused]] const int done = ::EVP_DigestUpdate(context_.get(), data, size);
}

Sha256Digest Sha256::finish() {
  Sha256Digest digest{};
  unsigned int size = 0;
  ::EVP_DigestFinal_ex(context_.get(), digest.data(), &size);
  return digest;
}

namespace {

constexpr std::array<std::uint32_t, 8> kInitialState = {
    0x6a09e667, 0xbb67ae85, 0x3c6ef372, 0xa54ff53a, 0x510e527f, 0x9b05688c, 0x1f83d9ab, 0x5be0cd19};

#ifdef QUORVEL_SHA_INSTRUCTIONS
alignas(16) constexpr std::uint32_t kRoundConstants[64] = {
    0x428a2f98, 0x71374491, 0xb5c0fbcf, 0xe9b5dba5, 0x3956c25b, 0x59f111f1, 0x923f82a4, 0xab1c5ed5,
    0xd807aa98, 0x12835b01, 0x243185be, 0x550c7dc3, 0x72be5d74, 0x80deb1fe, 0x9bdc06a7, 0xc19bf174,
    0xe49b69c1, 0xefbe4786, 0x0fc19dc6, 0x240ca1cc, 0x2de92c6f, 0x4a7484aa, 0x5cb0a9dc, 0x76f988da,
    0x983e5152, 0xa831c66d, 0xb00327c8, 0xbf597fc7, 0xc6e00bf3, 0xd5a79147, 0x06ca6351, 0x14292967,
    0x27b70a85, 0x2e1b2138, 0x4d2c6dfc, 0x53380d13, 0x650a7354, 0x766a0abb, 0x81c2c92e, 0x92722c85,
    0xa2bfe8a1, 0xa81a664b, 0xc24b8b70, 0xc76c51a3, 0xd192e819, 0xd6990624, 0xf40e3585, 0x106aa070,
    0x19a4c116, 0x1e376c08, 0x2748774c, 0x34b0bcb5, 0x391c0cb3, 0x4ed8aa4a, 0x5b9cca4f, 0x682e6ff3,
    0x748f82ee, 0x78a5636f, 0x84c87814, 0x8cc70208, 0x90befffa, 0xa4506ceb, 0xbef9a3f7, 0xc67178f2};

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

void compressOne(std::array<std::uint32_t, 8>& state, const std::uint8_t* blocks,
                 std::size_t count) {
  std::array<std::uint32_t, 8>* const states[1] = {&state};
  compressWithShaInstructions<1>(states, &blocks, count);
}

void compressTwo(std::array<std::uint32_t, 8>& a, const std::uint8_t* aBlocks,
                 std::array<std::uint32_t, 8>& b, const std::uint8_t* bBlocks, std::size_t count) {
  std::array<std::uint32_t, 8>* const states[2] = {&a, &b};
  const std::uint8_t* const blocks[2] = {aBlocks, bBlocks};
  compressWithShaInstructions<2>(states, blocks, count);
}
#else
// Without the SHA extensions a pair hashes through libcrypto: these are never called.
bool hasShaInstructions() { return false; }
void compressOne(std::array<std::uint32_t, 8>&, const std::uint8_t*, std::size_t) {}
void compressTwo(std::array<std::uint32_t, 8>&, const std::uint8_t*,
                 std::array<std::uint32_t, 8>&, const std::uint8_t*, std::size_t) {}
#endif

}  // namespace

Sha256Pair::Sha256Pair()
    : ownRounds_(hasShaInstructions()),
      chains_{Chain{kInitialState}, Chain{kInitialState}} {}

void Sha256Pair::Chain::fillBuffer(const std::uint8_t*& bytes, std::size_t& size) {
  if (buffered == 0) return;
  const std::size_t taken = std::min(size, buffer.size() - buffered);
  std::memcpy(buffer.data() + buffered, bytes, taken);
  buffered += taken;
  bytes += taken;
  size -= taken;
  if (buffered < buffer.size()) return;
  compressOne(state, buffer.data(), 1);
  buffered = 0;
}

void Sha256Pair::Chain::absorb(const std::uint8_t* bytes, std::size_t size) {
  if (size == 0) return;  // all taken by a block still short
  compressOne(state, bytes, size / 64);
  bytes += size / 64 * 64;
  size %= 64;
  std::memcpy(buffer.data(), bytes, size);
  buffered = size;
}

Sha256Digest Sha256Pair::Chain::finish() {
  // A one bit, zeros up to 8 bytes short of a block's end, then the length in bits.
  const std::uint64_t bits = length * 8;
  std::uint8_t tail[72] = {0x80};
  const std::size_t zeros = (buffered < 56 ? 56 : 120) - buffered;
  for (int i = 0; i < 8; ++i) tail[zeros + i] = static_cast<std::uint8_t>(bits >> (56 - 8 * i));
  const std::uint8_t* bytes = tail;
  std::size_t size = zeros + 8;
  fillBuffer(bytes, size);
  absorb(bytes, size);
  Sha256Digest digest;
  for (int i = 0; i < 8; ++i) {
    for (int k = 0; k < 4; ++k) {
      digest[4 * i + k] = static_cast<std::uint8_t>(state[i] >> (24 - 8 * k));
    }
  }
  return digest;
}

void Sha256Pair::update(const void* aData, std::size_t aSize, const void* bData,
                        std::size_t bSize) {
  if (!ownRounds_) {
    libcrypto_[0].update(aData, aSize);
    libcrypto_[1].update(bData, bSize);
    return;
  }
  const std::uint8_t* bytes[2] = {static_cast<const std::uint8_t*>(aData),
                                  static_cast<const std::uint8_t*>(bData)};
  std::size_t sizes[2] = {aSize, bSize};
  for (int m = 0; m < 2; ++m) {
    chains_[m].length += sizes[m];
    chains_[m].fillBuffer(bytes[m], sizes[m]);
  }
  if (chains_[0].buffered == 0 && chains_[1].buffered == 0) {
    const std::size_t both = std::min(sizes[0], sizes[1]) / 64;
    compressTwo(chains_[0].state, bytes[0], chains_[1].state, bytes[1], both);
    for (int m = 0; m < 2; ++m) {
      bytes[m] += both * 64;
      sizes[m] -= both * 64;
    }
  }
  for (int m = 0; m < 2; ++m) chains_[m].absorb(bytes[m], sizes[m]);
}

std::array<Sha256Digest, 2> Sha256Pair::finish() {
  if (!ownRounds_) return {libcrypto_[0].finish(), libcrypto_[1].finish()};
  return {chains_[0].finish(), chains_[1].finish()};
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
