#include "file_read.h"

#include <fcntl.h>
#include <gtest/gtest.h>
#include <unistd.h>

#include <cstdint>
#include <limits>
#include <vector>

#include "test_support.h"

namespace quorvel {
namespace {

// The bytes asked for, fewer only past the file's end: what the BMP reader fills as missing,
// and what the tile read ahead and the horizons files refuse.
TEST(FileRead, ReadsAllItCanAndCountsIt) {
  const test::TempDir dir;
  test::Bytes bytes(70000);
  for (std::size_t i = 0; i < bytes.size(); ++i) bytes[i] = static_cast<std::uint8_t>(i * 7);
  test::writeFile(dir / "f", bytes);
  const int fd = ::open((dir / "f").c_str(), O_RDONLY);
  ASSERT_GE(fd, 0);
  struct Case {
    std::uint64_t at;
    std::size_t size;
    std::size_t got;
  };
  const Case cases[] = {
      {0, 70000, 70000},
      {1, 69999, 69999},
      {69990, 100, 10},
      {70000, 5, 0},
      {80000, 5, 0},
      {12345, 0, 0},
      {std::uint64_t{1} << 63, 5, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.at);
    std::vector<std::uint8_t> out(c.size + 1, 0xAB);
    EXPECT_EQ(readAt(fd, out.data(), c.size, c.at), c.got);
    for (std::size_t i = 0; i < c.got; ++i) ASSERT_EQ(out[i], bytes[c.at + i]) << i;
    EXPECT_EQ(out[c.size], 0xAB);  // nothing written beyond what was asked
  }
  ::close(fd);
}

}  // namespace
}  // namespace quorvel
