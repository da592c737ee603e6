#pragma once

#include <cstdint>
#include <string>
#include <utility>
#include <vector>

namespace quorvel {

// What writeTileset did.
struct TilesetReport {
  std::int64_t nodes = 0;
  int levels = 0;
  // The files written by this run, named from the directory, with their sizes.
  std::vector<std::pair<std::string, std::uint64_t>> written;
  std::int64_t unchanged = 0;  // nodes whose .glb was already what it would be
};

// Writes directory/tileset.json (3D Tiles 1.1) and one .glb per node, for a world's manifest
// (a name ending in .world.json) or a map. The nodes form a quadtree: the leaves are the
// terrain's tiles (a map's parts of at most 501 x 501 pixels) at full resolution, the map's
// own triangles; a node above holds its children's terrain thinned to a grid of real pixels
// and simplified to at most 65,535 vertices, its border kept whole, so that neighbours of one
// level meet on the same vertices. Each node's geometricError is at least the largest
// vertical distance between its mesh and the terrain's pixels it covers, measured, at most
// four times it, and never below its children's; refinement replaces. A node whose inputs
// did not change since the tileset in directory was written is not written again. Throws a
// Failure.
TilesetReport writeTileset(const std::string& input, const std::string& directory);

}  // namespace quorvel
