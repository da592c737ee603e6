#pragma once

namespace quorvel {

// The whole run: banner, settings, the five images in their order, the map, or with --json one
// JSON object instead of the text lines. Prints every refusal (its line on standard output,
// its hint on standard error) and returns the exit code.
int runDriver(int argumentCount, const char* const* arguments);

}  // namespace quorvel
