#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

struct evp_md_ctx_st;

namespace quorvel {

using Sha256Digest = std::array<std::uint8_t, 32>;

// SHA-256 of one message fed in pieces of any size, through OpenSSL's libcrypto. Throws
// std::bad_alloc when libcrypto has no memory for it.
class Sha256 {
 public:
  Sha256();
  ~Sha256();
  Sha256(Sha256&&) noexcept;
  Sha256& operator=(Sha256&&) noexcept;

  void update(const void* data, std::size_t size);
  // The digest of everything given; the object is spent afterwards.
  [[nodiscard]] Sha256Digest finish();

 private:
  struct Free {
    void operator()(evp_md_ctx_st* context) const;
  };
  std::unique_ptr<evp_md_ctx_st, Free> context_;
};

// SHA-256 of two messages fed side by side, as a world hashes the two tiles a thread builds
// at once. Where the processor has the SHA extensions (most x86-64 since 2017), the blocks of
// both go through one pass of our own rounds, two chains interleaved where one alone waits on
// each round's latency: bench/sha256_bench.cpp measures it against libcrypto hashing the two
// one after the other (docs/development.md). Elsewhere, two Sha256.
class Sha256Pair {
 public:
  Sha256Pair();

  void update(const void* aData, std::size_t aSize, const void* bData, std::size_t bSize);
  // The two digests; the object is spent afterwards.
  [[nodiscard]] std::array<Sha256Digest, 2> finish();

 private:
  // One message's chain in our own rounds.
  struct Chain {
    std::array<std::uint32_t, 8> state;
    std::array<std::uint8_t, 64> buffer{};
    std::size_t buffered = 0;
    std::uint64_t length = 0;  // bytes given so far

    // Completes a block begun by an earlier update from bytes, moving past what it takes.
    void fillBuffer(const std::uint8_t*& bytes, std::size_t& size);
    // Compresses the whole blocks of bytes and keeps the rest; no block may be begun unless
    // size is 0.
    void absorb(const std::uint8_t* bytes, std::size_t size);
    [[nodiscard]] Sha256Digest finish();
  };

  bool ownRounds_;
  std::array<Chain, 2> chains_;
  std::array<Sha256, 2> libcrypto_;  // used without the SHA extensions
};

// 64 lower-case hexadecimal digits.
[[nodiscard]] std::string hexDigest(const Sha256Digest& digest);

}  // namespace quorvel
