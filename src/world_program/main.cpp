#include <csignal>

#include "map/map_file.h"
#include "world_program/world_driver.h"

int main(int argc, char** argv) {
  // A file-size limit must give a write error, which removes the unfinished tile, rather than
  // a signal that would leave it behind.
  std::signal(SIGXFSZ, SIG_IGN);
  quorvel::removeTemporaryMapOnSignal();
  return quorvel::runWorldDriver(argc, argv);
}
