#pragma once

#include "quorvel/types.h"

namespace quorvel {

// Throws a Failure for a setting that is infinite or NaN: it would reach the map as NaNs and
// infinities.
void checkSettingsFinite(const Settings& settings);

}  // namespace quorvel
