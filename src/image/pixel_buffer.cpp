#include "image/pixel_buffer.h"

#include <sys/mman.h>

#include <cstdint>

namespace quorvel {

void resizePixels(std::vector<std::uint8_t>& pixels, std::size_t bytes) {
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  pixels.clear();
  pixels.reserve(bytes);  // allocates without touching a page
#ifdef MADV_HUGEPAGE
  const auto begin = reinterpret_cast<std::uintptr_t>(pixels.data());
  const std::uintptr_t first = (begin + kHugePage - 1) / kHugePage * kHugePage;
  const std::uintptr_t last = (begin + bytes) / kHugePage * kHugePage;
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
  pixels.resize(bytes);
}

}  // namespace quorvel
