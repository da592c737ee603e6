#pragma once

#include "map/terrain.h"

namespace quorvel {

// Throws "erreur: A donne des hauteurs hors limites", A naming the altitude image, when a
// height is not finite as a float32, or the z of an edge that enters a normal (between row or
// column neighbours, and between diagonal neighbours whose x + y is even) is beyond a
// twentieth of the largest float32, where the normal's cross product overflows: the map would
// hold infinite heights and NaN normals. alt must hold one sample a pixel. Cheap where it can
// be: the sample type's range settles 8-bit and 16-bit altitudes without a look at them, the
// least and greatest sample settle the heights and bound every rise, and only when that bound
// fails is every neighbour difference taken.
void checkHeightLimits(const Texture& alt, const Settings& settings);

}  // namespace quorvel
