#pragma once

#include "inspect/gltf_mesh.h"

namespace quorvel {

// Mends a mesh whose outline is still the terrain rectangle but where some triangles turned
// over or flattened into a line, seen from above: the triangles round each such one are
// replaced by a triangulation of the outline of their patch, with no vertex inside it. A
// patch whose outline is not one simple loop grows by a ring and is tried again. Keeps the
// vertices as they are (some may be left unused) and never adds triangles. True when every
// triangle then turns counter-clockwise with a positive area.
bool repairFolds(const HeightField& field, TerrainMesh& mesh);

}  // namespace quorvel
