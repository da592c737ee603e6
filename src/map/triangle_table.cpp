#include "map/triangle_table.h"

#include <algorithm>
#include <thread>
#include <vector>

namespace quorvel {

TriangleTable::TriangleTable(float zScaleFactor, int threads)
    // Not zeroed first: the 38 MB would be written twice.
    : normals_(std::make_unique_for_overwrite<Vector3[]>(static_cast<std::size_t>(kTriangleKindCount) *
                                                          kRises * kRises)) {
  const int rows = kTriangleKindCount * kRises;
  const auto fill = [this, zScaleFactor, rows](int first, int step) {
    for (int row = first; row < rows; row += step) {
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
