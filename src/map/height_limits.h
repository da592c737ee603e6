#pragma once

#include <string>

#include "map/terrain.h"

namespace quorvel {

// Throws "erreur: A donne des hauteurs hors limites", A naming the altitude image, when a
// height is not finite as a float32, or the z of an edge that enters a normal (between row or
// column neighbours, and between diagonal neighbours whose x + y is even) is beyond a
// twentieth of the largest float32, where the normal's cross product overflows: the map would
// hold infinite heights and NaN normals. alt must hold one sample a pixel. Cheap where it can
// be: the sample type's range settles 8-bit and 16-bit altitudes without a look at them, the
// least and greatest sample settle the heights and bound every rise, and only when that bound
// fails is every neighbour difference taken. The samples are shared among up to threads
// threads.
void checkHeightLimits(const Texture& alt, const Settings& settings, int threads = 1);

// The same check made over an altitude read a window at a time (Texture::x0, y0): whether the
// sample type settles it alone; else the least and greatest sample and the largest rise over
// windows that between them hold every pixel and every edge, and the verdict on them.
struct AltitudeSpan {
  double low = 0.0;
  double high = 0.0;
  double largestRise = 0.0;
  bool any = false;  // whether a sample was seen
};
[[nodiscard]] bool heightLimitsSettledByType(const Texture& alt, const Settings& settings);
void widenAltitudeSpan(const Texture& window, AltitudeSpan& span);
void checkHeightLimits(const std::string& altName, const AltitudeSpan& span,
                       const Settings& settings);

}  // namespace quorvel
