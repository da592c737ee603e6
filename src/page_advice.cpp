#include "page_advice.h"

#include <sys/mman.h>

#include <cstdint>

namespace quorvel {
namespace {

// Calls madvise on the whole units of `unit` bytes inside [memory, memory + bytes).
void adviseWithin(void* memory, std::size_t bytes, std::uintptr_t unit, int advice) {
  const auto begin = (reinterpret_cast<std::uintptr_t>(memory) + unit - 1) / unit * unit;
  const auto end = (reinterpret_cast<std::uintptr_t>(memory) + bytes) / unit * unit;
  if (end > begin) ::madvise(reinterpret_cast<void*>(begin), end - begin, advice);
}

}  // namespace

void adviseHugePages(void* memory, std::size_t bytes) {
#ifdef MADV_HUGEPAGE
  adviseWithin(memory, bytes, std::uintptr_t{2} << 20, MADV_HUGEPAGE);
#else
  (void)memory;
  (void)bytes;
#endif
}

void populatePages(void* memory, std::size_t bytes) {
#ifdef MADV_POPULATE_WRITE
  adviseWithin(memory, bytes, 4096, MADV_POPULATE_WRITE);
#else
  (void)memory;
  (void)bytes;
#endif
}

void resizeOnReadyPages(std::vector<std::uint8_t>& buffer, std::size_t count) {
  buffer.clear();
  buffer.reserve(count);  // allocates without touching a page
  adviseHugePages(buffer.data(), count);
  // Older systems refuse to populate; the zeros below touch every page anyway.
  populatePages(buffer.data(), count);
  buffer.resize(count);
}

}  // namespace quorvel
