#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel {

// Edge collapses with meshoptimizer, which is seen nowhere else. positions holds x, y, z per
// vertex; indices three per triangle. Returns at most targetTriangles triangles of the same
// vertices (none moved, none made up) when the simplifier gets there, more when it stops
// short. Vertices on the open border of the mesh never move, so a mesh that tiles a rectangle
// keeps its outline; that every triangle keeps its side up is the caller's to check.
[[nodiscard]] std::vector<std::uint32_t> simplifyTriangles(
    const std::vector<float>& positions, const std::vector<std::uint32_t>& indices,
    std::size_t targetTriangles);

}  // namespace quorvel
