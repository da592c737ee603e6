#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {

// palette holds red, green, blue for each colour-table entry; entries is how many are real
// (the rest of the palette is zeros). A table is grey when every real entry has
// red = green = blue.
[[nodiscard]] bool isGreyTable(const std::vector<std::uint8_t>& palette, int entries);

// Replaces each index below entries by that entry's grey level; an index at or above entries
// keeps its value, since no entry gives it another.
void applyGreyTable(const std::vector<std::uint8_t>& palette, int entries,
                    std::vector<std::uint8_t>& pixels);

// The altitudes of an 8-bit image: a grey table's levels replace the indices, and true is
// returned; any other table leaves the indices as they are.
[[nodiscard]] bool useGreyLevels(const std::vector<std::uint8_t>& palette, int entries,
                                 std::vector<std::uint8_t>& pixels);

}  // namespace quorvel
