#include "image/grey_table.h"

#include <array>
#include <cstddef>
#include <cstdio>

#include "failure.h"

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
  for (std::uint8_t& pixel : pixels) pixel = level[pixel];
}

void useGreyLevels(const std::string& fileName, const std::vector<std::uint8_t>& palette,
                   int entries, std::vector<std::uint8_t>& pixels) {
  if (isGreyTable(palette, entries)) {
    applyGreyTable(palette, entries, pixels);
  } else {
    std::fprintf(stderr,
                 "%s: the colour table is not grey, so its colour indices are used as "
                 "altitudes\n",
                 escapeControls(fileName).c_str());
  }
}

}  // namespace quorvel
