#include <csignal>

#include "cli/gdal_cache.h"
#include "cli/unfinished_maps.h"
#include "compiler/driver.h"

int main(int argc, char** argv) {
  // A file-size limit must give a write error, which removes the unfinished map, rather than
  // a signal that would leave it behind.
  std::signal(SIGXFSZ, SIG_IGN);
  quorvel::removeUnfinishedMapsOnSignal();
  quorvel::limitGdalCache();
  return quorvel::runDriver(argc, argv);
}
