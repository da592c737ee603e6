#include "little_endian.h"

#include <gtest/gtest.h>

#include <array>
#include <cstdint>

namespace quorvel {
namespace {

TEST(LittleEndian, StoresAndLoadsLowByteFirst) {
  std::array<std::uint8_t, 4> bytes{};
  storeLe32(bytes.data(), 0x12345678u);
  EXPECT_EQ(bytes, (std::array<std::uint8_t, 4>{0x78, 0x56, 0x34, 0x12}));
  EXPECT_EQ(loadLe32(bytes.data()), 0x12345678u);

  storeLeI32(bytes.data(), -2);
  EXPECT_EQ(bytes, (std::array<std::uint8_t, 4>{0xFE, 0xFF, 0xFF, 0xFF}));
  EXPECT_EQ(loadLeI32(bytes.data()), -2);

  storeLeFloat(bytes.data(), -0.0f);  // the sign of zero is output
  EXPECT_EQ(bytes, (std::array<std::uint8_t, 4>{0x00, 0x00, 0x00, 0x80}));
  storeLeFloat(bytes.data(), 1.0f);
  EXPECT_EQ(bytes, (std::array<std::uint8_t, 4>{0x00, 0x00, 0x80, 0x3F}));
  EXPECT_EQ(loadLeFloat(bytes.data()), 1.0f);

  storeLe16(bytes.data(), 0x4D42);
  EXPECT_EQ(bytes[0], 'B');
  EXPECT_EQ(bytes[1], 'M');
  EXPECT_EQ(loadLe16(bytes.data()), 0x4D42);
}

}  // namespace
}  // namespace quorvel
