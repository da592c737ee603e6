#include "map/map_file.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <array>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "failure.h"

namespace quorvel {
namespace {

// The temporary files a signal handler must remove, a slot for each map being written (maps
// may be written on several threads at once); only async-signal-safe calls touch them. They
// are process-wide because signals are. A map that finds no free slot is still written, but
// a signal then leaves its temporary file behind.
constexpr std::size_t kPendingSlots = 64;
std::array<std::atomic<const char*>, kPendingSlots> pendingTemporaries{};

// The slot now holding name, or kPendingSlots when every slot is taken.
std::size_t claimPendingSlot(const char* name) {
  for (std::size_t slot = 0; slot < kPendingSlots; ++slot) {
    const char* expected = nullptr;
    if (pendingTemporaries[slot].compare_exchange_strong(expected, name)) return slot;
  }
  return kPendingSlots;
}

void releasePendingSlot(std::size_t slot) {
  if (slot < kPendingSlots) pendingTemporaries[slot].store(nullptr);
}

constexpr int kStopSignals[] = {SIGINT, SIGTERM, SIGHUP};

sigset_t stopSignals() {
  sigset_t set;
  sigemptyset(&set);
  for (const int signalNumber : kStopSignals) sigaddset(&set, signalNumber);
  return set;
}

extern "C" void removeTemporaryAndRaise(int signalNumber) {
  for (std::atomic<const char*>& pending : pendingTemporaries) {
    const char* name = pending.exchange(nullptr);
    if (name != nullptr) ::unlink(name);
  }
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

// Holds the stop signals back while the temporary file and pendingTemporary disagree, so that
// a signal never finds a file on disk that the handler does not know about.
class StopSignalsBlocked {
 public:
  StopSignalsBlocked() {
    const sigset_t set = stopSignals();
    pthread_sigmask(SIG_BLOCK, &set, &previous_);
  }
  ~StopSignalsBlocked() { pthread_sigmask(SIG_SETMASK, &previous_, nullptr); }
  StopSignalsBlocked(const StopSignalsBlocked&) = delete;
  StopSignalsBlocked& operator=(const StopSignalsBlocked&) = delete;

 private:
  sigset_t previous_;
};

// Why mapName cannot be made, with what to do, or empty. A missing folder or a file where a
// folder should be is named as the first such part of the path, which is what the user must
// change.
std::string creationProblem(const std::string& mapName) {
  struct stat found {};
  if (::stat(mapName.c_str(), &found) == 0 && S_ISDIR(found.st_mode)) {
    return "it is a folder; remove it or give the map another name";
  }
  const std::filesystem::path folder = std::filesystem::path(mapName).parent_path();
  const std::string shown = folder.empty() ? "." : folder.string();
  if (::stat(shown.c_str(), &found) != 0) {
    const int error = errno;
    std::filesystem::path walked;
    for (const std::filesystem::path& part : folder) {
      walked /= part;
      struct stat partFound {};
      if (::stat(walked.c_str(), &partFound) != 0) {
        if (errno != ENOENT) break;
        return "the folder " + walked.string() + " does not exist; create it (mkdir -p " + shown +
               ") or write the map elsewhere";
      }
      if (!S_ISDIR(partFound.st_mode)) {
        return walked.string() + " is a file, not a folder; write the map elsewhere";
      }
    }
    return shown + ": " + std::strerror(error);
  }
  if (!S_ISDIR(found.st_mode)) return shown + " is a file, not a folder; write the map elsewhere";
  if (::faccessat(AT_FDCWD, shown.c_str(), W_OK | X_OK, AT_EACCESS) != 0) {
    return "the folder " + shown + " cannot be written in (" + std::strerror(errno) +
           "); write the map in a folder you may write in";
  }
  return {};
}

Failure cannotCreate(const std::string& mapName, const std::string& problem) {
  return Failure(ErrorKind::kWrite, "impossible de creer le fichier " + mapName + "\n",
                 mapName + ": " + problem + "\n");
}

}  // namespace

std::optional<Failure> mapCreationFailure(const std::string& mapName) {
  const std::string problem = creationProblem(mapName);
  if (problem.empty()) return std::nullopt;
  return cannotCreate(mapName, problem);
}

void removeTemporaryMapOnSignal() {
  struct sigaction action {};
  action.sa_handler = removeTemporaryAndRaise;
  // One stop signal arriving inside the handler of another must not end the process between
  // taking the name and removing the file.
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

MapFile::MapFile(std::string mapName) : mapName_(std::move(mapName)) {
  // A directory can never become the map; finding out only at the rename would come after
  // the whole file had been written.
  struct stat target {};
  if (::stat(mapName_.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
    throw cannotCreate(mapName_, creationProblem(mapName_));
  }
  // O_EXCL so that two runs, or a stale file, never share a temporary name.
  const std::string base = mapName_ + ".tmp" + std::to_string(::getpid()) + "-";
  const StopSignalsBlocked blocked;
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporaryName_ = base + std::to_string(attempt);
    fd_ = ::open(temporaryName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) {
    const int error = errno;
    const std::string problem = creationProblem(mapName_);
    throw cannotCreate(mapName_, problem.empty() ? std::strerror(error) : problem);
  }
  pendingSlot_ = claimPendingSlot(temporaryName_.c_str());
}

MapFile::~MapFile() {
  if (committed_) return;
  if (fd_ >= 0) ::close(fd_);
  // Removed before it is forgotten: a signal in between finds the name and removes nothing.
  ::unlink(temporaryName_.c_str());
  releasePendingSlot(pendingSlot_);
}

void MapFile::writeAt(const std::uint8_t* data, std::size_t count, std::int64_t offset) const {
  while (count > 0) {
    const ssize_t written = ::pwrite(fd_, data, count, static_cast<off_t>(offset));
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) failWrite();
    data += written;
    count -= static_cast<std::size_t>(written);
    offset += written;
  }
}

void MapFile::failWrite() const {
  throw Failure(ErrorKind::kWrite,
                "erreur lors de l'\xe9"
                "criture du fichier " +
                    mapName_ + "\n");
}

void MapFile::commit() {
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0) failWrite();
  if (std::rename(temporaryName_.c_str(), mapName_.c_str()) != 0) failWrite();
  releasePendingSlot(std::exchange(pendingSlot_, kNoSlot));
  committed_ = true;
}

}  // namespace quorvel
