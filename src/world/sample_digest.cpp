#include "world/sample_digest.h"

#include <bit>
#include <cstring>

#include "little_endian.h"

namespace quorvel {
namespace {

constexpr std::uint64_t kMultipliers[4] = {0x9e3779b97f4a7c15, 0xc2b2ae3d27d4eb4f,
                                           0x165667b19e3779f9, 0xd6e8feb86659fd93};

std::uint64_t fold(std::uint64_t lane, std::uint64_t word, std::uint64_t multiplier) {
  lane = (lane ^ word) * multiplier;
  return lane ^ lane >> 32;
}

std::uint64_t finalMix(std::uint64_t lane) {
  lane ^= lane >> 30;
  lane *= 0xbf58476d1ce4e5b9;
  lane ^= lane >> 27;
  lane *= 0x94d049bb133111eb;
  return lane ^ lane >> 31;
}

}  // namespace

SampleDigest sampleDigest(const std::uint8_t* bytes, std::size_t size) {
  // Four named lanes, not an array: g++ would otherwise make two-lane vectors of them, whose
  // 64-bit products take three multiplications each and whose lanes go through memory on every
  // step, at a quarter of the speed of the plain multiplications.
  std::uint64_t lane0 = kMultipliers[3];
  std::uint64_t lane1 = kMultipliers[2];
  std::uint64_t lane2 = kMultipliers[1];
  std::uint64_t lane3 = kMultipliers[0];
  std::size_t at = 0;
  for (; at + 32 <= size; at += 32) {
    lane0 = fold(lane0, loadLe64(bytes + at), kMultipliers[0]);
    lane1 = fold(lane1, loadLe64(bytes + at + 8), kMultipliers[1]);
    lane2 = fold(lane2, loadLe64(bytes + at + 16), kMultipliers[2]);
    lane3 = fold(lane3, loadLe64(bytes + at + 24), kMultipliers[3]);
  }
  std::uint64_t lanes[4] = {lane0, lane1, lane2, lane3};
  // The last 0 to 31 bytes, zero-padded to whole words: the length tells them from zeros.
  std::uint8_t tail[32] = {};
  if (size > at) std::memcpy(tail, bytes + at, size - at);
  for (int k = 0; k < 4; ++k) {
    lanes[k] = fold(lanes[k], loadLe64(tail + 8 * k), kMultipliers[k]);
  }
  SampleDigest digest{};
  for (int k = 0; k < 4; ++k) {
    // Each lane takes in the length and its neighbour, so that all 32 bytes depend on all.
    const std::uint64_t mixed =
        finalMix(lanes[k] ^ static_cast<std::uint64_t>(size) * kMultipliers[k] ^
                 std::rotl(lanes[(k + 1) % 4], 17));
    for (int i = 0; i < 8; ++i) digest[8 * k + i] = static_cast<std::uint8_t>(mixed >> (8 * i));
  }
  return digest;
}

}  // namespace quorvel
