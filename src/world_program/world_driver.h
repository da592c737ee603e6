#pragma once

namespace quorvel {

// The whole run of quorvel-world: banner, settings, the world's tiles and manifest (or the
// merge of shards), or with --json one JSON object instead of the text lines. Prints every
// refusal (its line on standard output, its hint on standard error) and returns the exit
// code: 1 for a refusal, 2 for a command line that cannot be followed.
int runWorldDriver(int argumentCount, const char* const* arguments);

}  // namespace quorvel
