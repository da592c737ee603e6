#include "cli/unfinished_maps.h"

#include <dirent.h>
#include <fcntl.h>
#include <pthread.h>
#include <unistd.h>

#include <array>
#include <csignal>
#include <cstdio>
#include <cstring>

namespace quorvel {
namespace {

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

// What the handler reads, written before any map is made and with the stop signals held
// back; the process's, as signals are. Only async-signal-safe calls touch them.
std::array<char, 4096> directoryName{};
std::array<char, 32> temporaryMark{};  // ".tmp<pid>-", within every temporary name

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signalNumber : kStopSignals) sigaddset(&set, signalNumber);
  return set;
}

// One pass over the directory; true when it removed a file. A directory read while its
// entries are removed may pass over some, so the caller reads it again until nothing is left.
bool removeTemporaries(int directory) {
  bool removed = false;
  alignas(dirent64) char entries[8192];
  ::lseek(directory, 0, SEEK_SET);
  for (ssize_t bytes; (bytes = ::getdents64(directory, entries, sizeof entries)) > 0;) {
    for (ssize_t at = 0; at < bytes;) {
      const auto* entry = reinterpret_cast<const dirent64*>(entries + at);
      if (std::strstr(entry->d_name, temporaryMark.data()) != nullptr &&
          ::unlinkat(directory, entry->d_name, 0) == 0) {
        removed = true;
      }
      at += entry->d_reclen;
    }
  }
  return removed;
}

extern "C" void removeUnfinishedAndRaise(int signalNumber) {
  if (directoryName[0] != '\0') {
    const int directory = ::open(directoryName.data(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (directory >= 0) {
      for (int pass = 0; pass < 8 && removeTemporaries(directory); ++pass) {
      }
      ::close(directory);
    }
  }
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

}  // namespace

void removeUnfinishedMapsOnSignal() {
  std::snprintf(temporaryMark.data(), temporaryMark.size(), ".tmp%ld-",
                static_cast<long>(::getpid()));
  struct sigaction action {};
  action.sa_handler = removeUnfinishedAndRaise;
  // One stop signal arriving inside the handler of another must not end the process before
  // the files are removed.
  action.sa_mask = stopSignals();
  for (const int signalNumber : kStopSignals) {
    // A signal that was ignored when the tool started (nohup, a background job of a script)
    // stays ignored: the caller asked for the run to survive it.
    struct sigaction previous {};
    if (sigaction(signalNumber, nullptr, &previous) == 0 && previous.sa_handler == SIG_IGN) {
      continue;
    }
    sigaction(signalNumber, &action, nullptr);
  }
}

void removeUnfinishedMapsIn(const std::string& directory) {
  const std::string name = directory.empty() ? "." : directory;
  if (name.size() >= directoryName.size()) return;  // too long a name: nothing is removed
  const sigset_t set = stopSignals();
  sigset_t previous;
  pthread_sigmask(SIG_BLOCK, &set, &previous);
  std::memcpy(directoryName.data(), name.c_str(), name.size() + 1);
  pthread_sigmask(SIG_SETMASK, &previous, nullptr);
}

}  // namespace quorvel
