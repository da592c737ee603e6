#pragma once

#include <bit>
#include <cstdint>
#include <cstring>

namespace quorvel {

// The byte order of every file the tool reads or writes. On a little-endian host each store
// and load is one unaligned move; elsewhere the bytes are placed one by one, so the files are
// the same on every processor.

inline void storeLe16(std::uint8_t* out, std::uint16_t value) {
  out[0] = static_cast<std::uint8_t>(value);
  out[1] = static_cast<std::uint8_t>(value >> 8);
}

inline void storeLe32(std::uint8_t* out, std::uint32_t value) {
  if constexpr (std::endian::native == std::endian::little) {
    std::memcpy(out, &value, 4);
  } else {
    out[0] = static_cast<std::uint8_t>(value);
    out[1] = static_cast<std::uint8_t>(value >> 8);
    out[2] = static_cast<std::uint8_t>(value >> 16);
    out[3] = static_cast<std::uint8_t>(value >> 24);
  }
}

inline void storeLeI32(std::uint8_t* out, std::int32_t value) {
  storeLe32(out, static_cast<std::uint32_t>(value));
}

inline void storeLeFloat(std::uint8_t* out, float value) {
  storeLe32(out, std::bit_cast<std::uint32_t>(value));
}

[[nodiscard]] inline std::uint16_t loadLe16(const std::uint8_t* in) {
  return static_cast<std::uint16_t>(in[0] | in[1] << 8);
}

[[nodiscard]] inline std::uint32_t loadLe32(const std::uint8_t* in) {
  if constexpr (std::endian::native == std::endian::little) {
    std::uint32_t value;
    std::memcpy(&value, in, 4);
    return value;
  } else {
    return std::uint32_t{in[0]} | std::uint32_t{in[1]} << 8 | std::uint32_t{in[2]} << 16 |
           std::uint32_t{in[3]} << 24;
  }
}

[[nodiscard]] inline std::uint64_t loadLe64(const std::uint8_t* in) {
  return std::uint64_t{loadLe32(in)} | std::uint64_t{loadLe32(in + 4)} << 32;
}

[[nodiscard]] inline std::int32_t loadLeI32(const std::uint8_t* in) {
  return static_cast<std::int32_t>(loadLe32(in));
}

[[nodiscard]] inline float loadLeFloat(const std::uint8_t* in) {
  return std::bit_cast<float>(loadLe32(in));
}

}  // namespace quorvel
