#pragma once

#include "map/map_format.h"
#include "map/normals.h"
#include "math/vector3.h"

namespace quorvel {

// A blocFile's altitudes as the encoder holds them: its span of pixels, borders included, and
// a ring of one pixel round it, row by row, each sample as a double.
inline constexpr int kSpan = kBlocFilePixels + 1;
inline constexpr int kWindow = kSpan + 2;
inline constexpr int kCells = kCellsPerSide * kSubBlocksPerSide;  // a blocFile's cells each way

// True when directNormalSums gives the very bits of the scalar formulas for this window: every
// sample finite and no edge or cross-product term large enough to become infinite, so that no
// NaN arises, whose sign a vector lane may set otherwise than a scalar operation does.
[[nodiscard]] bool directNormalsExact(const double* window, float zScaleFactor);

// The sums of the triangle normals at every pixel of the span, before they are normalised, as
// if none of its neighbours were outside the image (the ring's values are used as they are),
// indexed by the pixel's place in the span; and the eight face normals of every cell, by cell,
// the cells' rows in turn. The same sums as vertexNormalSumOf and the same normals as
// triangleNormal, computed a triangle kind at a time in vector lanes.
void directNormalSums(const double* window, float zScaleFactor, float* sumX, float* sumY,
                      float* sumZ, Vector3 (*faceNormals)[kFanKinds]);

}  // namespace quorvel
