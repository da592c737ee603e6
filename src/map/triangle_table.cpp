#include "map/triangle_table.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdlib>
#include <new>
#include <thread>
#include <vector>

namespace quorvel {

namespace {

constexpr std::size_t kTableBytes =
    sizeof(Vector3) * TriangleTable::kRises * TriangleTable::kRises * kTriangleKindCount;
constexpr std::size_t kHugePage = std::size_t{2} << 20;

// The table's 38 MB on pages of 2 MiB where the system offers them: filling it then takes 19
// page faults instead of some 9300, which on a virtual machine cost more than the filling.
// Not zeroed first either, which would write it twice.
Vector3* allocateTable() {
  const std::size_t bytes = (kTableBytes + kHugePage - 1) / kHugePage * kHugePage;
  void* memory = std::aligned_alloc(kHugePage, bytes);
  if (memory == nullptr) throw std::bad_alloc();
#ifdef MADV_HUGEPAGE
  ::madvise(memory, bytes, MADV_HUGEPAGE);  // only advice: without it the table still works
#endif
  return static_cast<Vector3*>(memory);
}

}  // namespace

void TriangleTable::Release::operator()(Vector3* normals) const { std::free(normals); }

TriangleTable::TriangleTable(float zScaleFactor, int threads) : normals_(allocateTable()) {
  constexpr int kRows = kTriangleKindCount * kRises;
  const auto fill = [this, zScaleFactor](int first, int step) {
    for (int row = first; row < kRows; row += step) {
      const int kind = row / kRises;
      const int rise1 = row % kRises - kMaxRise;
      Vector3* out = &normals_[static_cast<std::size_t>(row) * kRises];
      for (int rise2 = -kMaxRise; rise2 <= kMaxRise; ++rise2) {
        *out++ = triangleNormal(kind, rise1, rise2, zScaleFactor);
      }
    }
  };
  const int helpers = std::clamp(threads, 1, 64) - 1;
  std::vector<std::thread> pool;
  pool.reserve(static_cast<std::size_t>(helpers));
  for (int t = 1; t <= helpers; ++t) pool.emplace_back(fill, t, helpers + 1);
  fill(0, helpers + 1);
  for (std::thread& thread : pool) thread.join();
}

}  // namespace quorvel
