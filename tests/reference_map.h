#pragma once

#include <array>
#include <cstdint>

#include "image/texture.h"
#include "map/terrain.h"
#include "math/vector3.h"
#include "test_support.h"

// The straightforward writer: every value of the terrain file computed where it is stored,
// one at a time and in file order, from the per-pixel formulas that the product's encoder
// also calls (map/cell_encoding.h, map/normals.h, math/vector3.h). The encoder works out each
// pixel once per blocFile, in vector loops and from tables; the tests hold it to these bytes.
// alt may hold samples of any SampleFormat; the colour images are 24-bit.

namespace quorvel::test {

// H, the altitude sample of pixel (x, y) as a number.
[[nodiscard]] double altitudeSample(const Texture& alt, int x, int y);

[[nodiscard]] float vertexHeight(const Texture& alt, const Settings& settings, int x, int y);

// The lit colour of pixel (x, y), red, green, blue, with the baked light the settings ask for
// (reference_light.h). settings.lightDirection must be a unit vector (or NaN, which lights
// nothing).
[[nodiscard]] std::array<std::uint8_t, 3> vertexColor(const Terrain& terrain, int x, int y);

// The eight triangle normals of the MapCell centred on pixel (cx, cy), triangle 1 first.
// The centre must not lie on the border of alt.
void computeFaceNormals(std::array<Vector3, 8>& out, const Texture& alt, float zScaleFactor,
                        int cx, int cy);

// The unit normal of the surface at pixel (x, y) of alt: the normalised sum of the normals
// of the triangles that meet there, summed in ring order. Never reads outside alt.
void computeVertexNormal(Vector3& out, const Texture& alt, float zScaleFactor, int x, int y);

// The records of one unit appended to out in file order; (x0, y0) is the unit's origin pixel
// and terrain.settings.lightDirection must already be normalised.
void writeFaceNormals(Bytes& out, const Texture& alt, float zScaleFactor, int cx, int cy);
void writeCell(Bytes& out, const Terrain& terrain, int ox, int oy);
void writeSubBlock(Bytes& out, const Terrain& terrain, int x0, int y0);
void writeBlock(Bytes& out, const Terrain& terrain, int x0, int y0);

// The whole terrain file, header included, with the light direction normalised first as the
// tool does. An altitude size that the tool refuses (not 50 n + 1, or more than 100
// blocFiles) gives an empty result.
Bytes referenceMap(const Terrain& terrain);

// The same for images held as bytes; all five must have images.width x images.height pixels.
Bytes referenceMap(const TerrainImages& images, const Settings& settings);

}  // namespace quorvel::test
