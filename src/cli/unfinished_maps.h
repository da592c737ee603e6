#pragma once

#include <string>

namespace quorvel {

// For a program's main, once: makes SIGINT, SIGTERM and SIGHUP remove the maps still being
// written, before the process ends as the signal says. The library writes each map to a
// temporary file beside it (the map's name, ".tmp", the process id, "-" and a number), renamed
// only once complete; the handler removes this process's such files from the directory that
// removeUnfinishedMapsIn names. The library itself never touches signals: they are the
// host's.
void removeUnfinishedMapsOnSignal();

// The directory where the run writes its maps; named before the first is made.
void removeUnfinishedMapsIn(const std::string& directory);

}  // namespace quorvel
