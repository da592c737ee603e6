#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace quorvel {

// A digest of bytes fed in pieces, for telling whether what a file was made from changed:
// two FNV-1a chains of 64 bits from different starts, not a defence against anyone.
class Fingerprint {
 public:
  void update(const void* data, std::size_t size) {
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    for (std::size_t i = 0; i < size; ++i) {
      a_ = (a_ ^ bytes[i]) * kPrime;
      b_ = (b_ ^ bytes[i]) * kPrime;
      b_ ^= b_ >> 29;
    }
  }
  // 32 hexadecimal digits.
  [[nodiscard]] std::string text() const;

 private:
  static constexpr std::uint64_t kPrime = 0x100000001B3;
  std::uint64_t a_ = 0xCBF29CE484222325;
  std::uint64_t b_ = 0x84222325CBF29CE4;
};

}  // namespace quorvel
