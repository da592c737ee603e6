#include "inspect/mesh_simplifier.h"

#include <meshoptimizer.h>

namespace quorvel {

std::vector<std::uint32_t> simplifyTriangles(const std::vector<float>& positions,
                                             const std::vector<std::uint32_t>& indices,
                                             std::size_t targetTriangles) {
  static_assert(sizeof(unsigned int) == sizeof(std::uint32_t));
  std::vector<std::uint32_t> kept(indices.size());
  // An error bound of the whole extent: only the triangle budget stops the collapses.
  constexpr float kAnyError = 1.0f;
  const std::size_t count = meshopt_simplify(
      kept.data(), indices.data(), indices.size(), positions.data(), positions.size() / 3,
      3 * sizeof(float), 3 * targetTriangles, kAnyError, meshopt_SimplifyLockBorder, nullptr);
  kept.resize(count);
  kept.shrink_to_fit();
  return kept;
}

}  // namespace quorvel
