#pragma once

#include <array>

#include "image/texture.h"
#include "map/map_file.h"
#include "math/vector3.h"

namespace quorvel {

// The eight triangle normals of the MapCell centred on pixel (cx, cy), triangle 1 first.
// The centre must not lie on the border of alt.
void computeFaceNormals(std::array<Vector3, 8>& out, const Texture& alt, float zScaleFactor,
                        int cx, int cy);

// Appends the 96 bytes of computeFaceNormals.
void writeFaceNormals(MapFile& file, const Texture& alt, float zScaleFactor, int cx, int cy);

// The unit normal of the surface at pixel (x, y) of alt: the normalised sum of the normals
// of the triangles that meet there, summed in ring order. Never reads outside alt.
void computeVertexNormal(Vector3& out, const Texture& alt, float zScaleFactor, int x, int y);

}  // namespace quorvel
