#pragma once

#include <vector>

#include "image/texture.h"
#include "map/sky_view.h"
#include "math/vector3.h"

// The light baked beyond the plain terms, straight from its definition, one pixel at a time:
// every sample of every direction is visited and atan is called for every horizon. Only the
// sky's term per direction is the tool's own formula (skyTerm). The tool sweeps and marches
// instead; the tests hold it to these values.

namespace quorvel::test {

// The sky-view factor of pixel (x, y) over 8 or 16 directions.
[[nodiscard]] double skyViewFactor(const Texture& alt, float zScaleFactor, int directions, int x,
                                   int y);

// The share of the sun's disc that pixel (x, y) sees; light must be normalised.
[[nodiscard]] double sunShare(const Texture& alt, float zScaleFactor, const Vector3& light,
                              double sunDiameter, int x, int y);

// The strict upper hull of a line's points, given and returned farthest (largest step) first,
// by wrapping: from each vertex the next is the nearer point seen most steeply, the nearest
// of those seen as steeply.
[[nodiscard]] std::vector<SkyVertex> wrappedHull(const std::vector<SkyVertex>& points);

}  // namespace quorvel::test
