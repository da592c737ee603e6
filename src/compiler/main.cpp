#include <csignal>
#include <cstdio>
#include <exception>

#include "compiler/driver.h"
#include "failure.h"
#include "map/map_file.h"

int main(int argc, char** argv) {
  // A file-size limit must give a write error, which removes the unfinished map, rather than
  // a signal that would leave it behind.
  std::signal(SIGXFSZ, SIG_IGN);
  quorvel::removeTemporaryMapOnSignal();
  try {
    return quorvel::runDriver(argc, argv);
  } catch (const quorvel::Failure& failure) {
    std::fputs(failure.what(), stdout);
    std::fflush(stdout);
    std::fputs(failure.hint().c_str(), stderr);
    return failure.exitCode();
  } catch (const std::exception& error) {
    std::printf("erreur: %s\n", error.what());
  }
  return 1;
}
