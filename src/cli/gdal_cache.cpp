#include "cli/gdal_cache.h"

#include <cstdlib>

namespace quorvel {

// GDAL reads its cache size from this variable when it first needs the cache, which is after
// main has started: it is loaded at the first image that needs it. A number under 100000 is
// megabytes. Whatever the user's environment says, as before GDAL was left to the host.
void limitGdalCache() { ::setenv("GDAL_CACHEMAX", "16", 1); }

}  // namespace quorvel
