#include <malloc.h>

#include <csignal>

#include "cli/gdal_cache.h"
#include "cli/unfinished_maps.h"
#include "world_program/world_driver.h"

int main(int argc, char** argv) {
  // A file-size limit must give a write error, which removes the unfinished tile, rather than
  // a signal that would leave it behind.
  std::signal(SIGXFSZ, SIG_IGN);
  quorvel::removeUnfinishedMapsOnSignal();
  quorvel::limitGdalCache();
  // Every tile allocates the same buffers again: kept by the allocator rather than given back
  // to the system, they are reused without the page faults of fresh memory, which cost more
  // than reading the tile's images. Speed only.
  mallopt(M_MMAP_THRESHOLD, 32 << 20);
  mallopt(M_TRIM_THRESHOLD, 256 << 20);
  return quorvel::runWorldDriver(argc, argv);
}
