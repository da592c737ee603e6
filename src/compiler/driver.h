#pragma once

namespace quorvel {

// The whole run: banner, settings, the five images in their order, the map. Returns the exit
// code of a run that ends normally; every error is thrown as a Failure.
int runDriver(int argumentCount, const char* const* arguments);

}  // namespace quorvel
