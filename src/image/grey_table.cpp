#include "image/grey_table.h"

#include <array>
#include <cstddef>

namespace quorvel {

bool isGreyTable(const std::vector<std::uint8_t>& palette, int entries) {
  for (int i = 0; i < entries; ++i) {
    const std::size_t at = 3 * static_cast<std::size_t>(i);
    if (palette[at] != palette[at + 1] || palette[at] != palette[at + 2]) return false;
  }
  return true;
}

void applyGreyTable(const std::vector<std::uint8_t>& palette, int entries,
                    std::vector<std::uint8_t>& pixels) {
  std::array<std::uint8_t, 256> level{};
  for (int i = 0; i < 256; ++i) {
    level[static_cast<std::size_t>(i)] =
        i < entries ? palette[3 * static_cast<std::size_t>(i)] : static_cast<std::uint8_t>(i);
  }
  // Most grey tables give each index its own level: the largest altitude is then not walked
  // again, some milliseconds of one core before any blocFile.
  bool identity = true;
  for (int i = 0; i < 256; ++i) identity = identity && level[static_cast<std::size_t>(i)] == i;
  if (identity) return;
  for (std::uint8_t& pixel : pixels) pixel = level[pixel];
}

bool useGreyLevels(const std::vector<std::uint8_t>& palette, int entries,
                   std::vector<std::uint8_t>& pixels) {
  if (!isGreyTable(palette, entries)) return false;
  applyGreyTable(palette, entries, pixels);
  return true;
}

}  // namespace quorvel
