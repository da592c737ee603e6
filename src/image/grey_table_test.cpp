#include "image/grey_table.h"

#include <cstdint>
#include <vector>

#include <gtest/gtest.h>

namespace quorvel {
namespace {

TEST(GreyTable, EveryRealEntryMustBeGreyAndOnlyRealIndicesTakeALevel) {
  struct Case {
    const char* what;
    std::vector<std::uint8_t> entries;  // red, green, blue of each real entry
    bool grey;
    std::vector<std::uint8_t> pixels;
    std::vector<std::uint8_t> expected;  // after applyGreyTable
  };
  const Case cases[] = {
      {"grey levels", {5, 5, 5, 15, 15, 15}, true, {1, 0, 2, 255}, {15, 5, 2, 255}},
      {"red and green alike, blue apart", {5, 5, 5, 7, 7, 9}, false, {}, {}},
      {"red and blue alike, green apart", {7, 9, 7}, false, {}, {}},
      {"green and blue alike, red apart", {9, 7, 7}, false, {}, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    // As the readers hold it: 256 entries, zeros after the real ones.
    std::vector<std::uint8_t> palette(3 * 256, 0);
    std::copy(c.entries.begin(), c.entries.end(), palette.begin());
    const int entries = static_cast<int>(c.entries.size() / 3);
    EXPECT_EQ(isGreyTable(palette, entries), c.grey);
    std::vector<std::uint8_t> pixels = c.pixels;
    applyGreyTable(palette, entries, pixels);
    EXPECT_EQ(pixels, c.expected);
  }
}

}  // namespace
}  // namespace quorvel
