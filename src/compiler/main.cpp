#include <csignal>
#include <cstdio>
#include <cstdlib>

#include "cli/gdal_cache.h"
#include "cli/unfinished_maps.h"
#include "compiler/driver.h"

#if defined(__SANITIZE_ADDRESS__)
#define QUORVEL_LEAK_CHECKED 1
#elif defined(__has_feature)
#if __has_feature(address_sanitizer)
#define QUORVEL_LEAK_CHECKED 1
#endif
#endif

int main(int argc, char** argv) {
  // A file-size limit must give a write error, which removes the unfinished map, rather than
  // a signal that would leave it behind.
  std::signal(SIGXFSZ, SIG_IGN);
  quorvel::removeUnfinishedMapsOnSignal();
  quorvel::limitGdalCache();
  const int status = quorvel::runDriver(argc, argv);
#ifndef QUORVEL_LEAK_CHECKED
  // The map is written, renamed and closed by now, and every file the run opened is closed.
  // Once GDAL has been loaded, an ordinary exit still takes milliseconds to take its hundred
  // libraries down one by one, PROJ's database among them, which the system does anyway:
  // only the output is flushed. A sanitizer's build exits as usual, to count what leaked.
  std::fflush(nullptr);
  std::_Exit(status);
#else
  return status;
#endif
}
