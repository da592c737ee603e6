#include "map/triangle_table.h"

#include <sys/mman.h>

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#include <new>

#include "worker_threads.h"

namespace quorvel {

namespace {

constexpr std::size_t kHugePage = std::size_t{2} << 20;

// The table (38 MB for rises up to 255) on pages of 2 MiB where the system offers them:
// filling it then takes 19 page faults instead of some 9300, which on a virtual machine cost
// more than the filling. Not zeroed first either, which would write it twice.
Vector3* allocateTable(std::size_t rises) {
  const std::size_t tableBytes = sizeof(Vector3) * rises * rises * kTriangleKindCount;
  // Four bytes more: entries() may be read as four floats up to the last.
  const std::size_t bytes = (tableBytes + sizeof(float) + kHugePage - 1) / kHugePage * kHugePage;
  void* memory = std::aligned_alloc(kHugePage, bytes);
  if (memory == nullptr) throw std::bad_alloc();
  std::memset(static_cast<char*>(memory) + tableBytes, 0, sizeof(float));
#ifdef MADV_HUGEPAGE
  ::madvise(memory, bytes, MADV_HUGEPAGE);  // only advice: without it the table still works
#endif
  return static_cast<Vector3*>(memory);
}

}  // namespace

void TriangleTable::Release::operator()(Vector3* normals) const { std::free(normals); }

TriangleTable::TriangleTable(float zScaleFactor, int step, int maxRise, int threads,
                             bool coversImage)
    : step_(step),
      maxRise_(std::clamp(maxRise, 0, 255)),
      coversImage_(coversImage && maxRise_ == maxRise &&
                   std::has_single_bit(static_cast<unsigned>(step))),
      rises_(static_cast<std::size_t>(2 * maxRise_ + 1)),
      normals_(allocateTable(rises_)) {
  const int rises = static_cast<int>(rises_);
  const int rows = kTriangleKindCount * rises;
  // A rise times the step is a whole number far below 2^53: exact in double, as the
  // difference of the two samples is where triangleNormal is called with it.
  const double scale = step;
  const auto fill = [this, zScaleFactor, scale, rises, rows](int first, int stride) {
    for (int row = first; row < rows; row += stride) {
      const int kind = row / rises;
      const double rise1 = (row % rises - maxRise_) * scale;
      Vector3* out = &normals_[static_cast<std::size_t>(row) * rises_];
      for (int rise2 = -maxRise_; rise2 <= maxRise_; ++rise2) {
        *out++ = triangleNormal(kind, rise1, rise2 * scale, zScaleFactor);
      }
    }
  };
  const int parts = std::clamp(threads, 1, 64);
  runJobs(parts, parts, [&](int part) { fill(part, parts); });
}

}  // namespace quorvel
