#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <vector>

#include "inspect/gltf_mesh.h"
#include "quorvel/map_cells.h"

namespace quorvel {

// The size of a .glb whose JSON chunk takes jsonBytes (a multiple of 4) and its binary chunk
// binBytes. Throws with fileName when the header's 32 bits cannot state it.
[[nodiscard]] std::uint64_t glbFileBytes(std::uint64_t jsonBytes, std::uint64_t binBytes,
                                         const std::string& fileName);

// One binary glTF 2.0 file: one scene, node, mesh and primitive of TRIANGLES with POSITION,
// COLOR_0 and 32-bit indices, and one white, opaque, unlit material. glTF is y-up, so pixel
// (x, y) of height h is at (10 x, h, -10 y): north in the pictures points along -z. COLOR_0
// is the stored colour made linear (float), so that a viewer writing sRGB shows the stored
// byte. The binary chunk holds the positions, then the colours, then the indices.
//
// Written to a temporary file beside fileName and renamed at the end: a failure leaves no
// file and an earlier one untouched. Throws with fileName when it cannot be created or
// written, or is not a regular file, or when the export would outgrow a .glb's 4 GiB.
void writeGlb(const HeightField& field, const TerrainMesh& mesh, const std::string& fileName);

// A mesh as a .glb holds it: positions already in glTF's axes, the stored colour bytes.
struct GlbMesh {
  std::vector<std::array<float, 3>> positions;
  std::vector<std::array<std::uint8_t, 3>> colours;
  std::vector<std::uint32_t> indices;
};

// As writeGlb, for any mesh of at least one vertex whose every triangle's vertices lie within
// 65,534 of each other, in a smaller encoding for the many files of a tileset: COLOR_0 the
// colour made linear as normalised 16-bit values (each stored byte still comes back), and the
// triangles cut in their order into primitives of 16-bit indices counted from each one's
// lowest vertex, their vertices read through one buffer of positions and one of colours.
void writeGlbMesh(const GlbMesh& mesh, const std::string& fileName);

struct GltfExport {
  std::int64_t mapTriangles = 0;  // 8 per MapCell
  std::int64_t triangles = 0;     // written; fewer when the map did not fit the budget
  MeshKind kind = MeshKind::kCellFans;
  double maxError = 0;   // the mesh's largest vertical distance to a pixel, in height units
  std::string fallback;  // why a grid of pixels, when it is one
};

// Reads the map and writes its terrainMesh; see readHeightField for what it refuses.
GltfExport exportGltf(MapCells& cells, const std::string& fileName, std::int64_t maxTriangles);

}  // namespace quorvel
