#pragma once

#include "map/terrain.h"
#include "test_support.h"

namespace quorvel::test {

// The complete terrain file (header and body) for the given images and settings, worked out
// the slow, obvious way: one value at a time, in file order, with its own vector arithmetic
// and none of the production map code, so that a fast writer can be checked against it.
// All five images must have images.width x images.height pixels. An altitude size that the
// tool refuses (not 50 n + 1, or more than 100 blocFiles) gives an empty result.
Bytes referenceMap(const TerrainImages& images, const Settings& settings);

}  // namespace quorvel::test
