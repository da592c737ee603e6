#pragma once

#include <memory>

#include "image/texture.h"

namespace quorvel {

// How much of the sky the terrain hides at each pixel of alt, row-major: for each of the 8 or
// 16 directions u of baked_light.h in their order, added to a sum begun at 0.0,
// skyTerm(w_u, T_u), where T_u is the steepest tangent (sampleTangent, at least 0) from the
// pixel to any pixel p + k u in the image, heights being the samples times zScaleFactor in
// double. The sky-view factor is 1 minus it. Each direction is swept along its lines of pixels
// in linear time, on `threads` threads; the result is the same for any number of them.
[[nodiscard]] std::unique_ptr<double[]> skyOcclusion(const Texture& alt, float zScaleFactor,
                                                     int directions, int threads);

}  // namespace quorvel
