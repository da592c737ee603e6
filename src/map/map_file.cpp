#include "map/map_file.h"

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <utility>

#include "failure.h"

namespace quorvel {
namespace {

// The temporary file a signal handler must remove; only async-signal-safe calls touch it.
std::atomic<const char*> pendingTemporary{nullptr};

extern "C" void removeTemporaryAndRaise(int signalNumber) {
  const char* name = pendingTemporary.exchange(nullptr);
  if (name != nullptr) ::unlink(name);
  std::signal(signalNumber, SIG_DFL);
  std::raise(signalNumber);
}

}  // namespace

void removeTemporaryMapOnSignal() {
  struct sigaction action {};
  action.sa_handler = removeTemporaryAndRaise;
  sigemptyset(&action.sa_mask);
  for (const int signalNumber : {SIGINT, SIGTERM, SIGHUP}) {
    sigaction(signalNumber, &action, nullptr);
  }
}

MapFile::MapFile(std::string mapName) : mapName_(std::move(mapName)) {
  // O_EXCL so that two runs, or a stale file, never share a temporary name.
  const std::string base = mapName_ + ".tmp" + std::to_string(::getpid()) + "-";
  for (int attempt = 0; attempt < 100 && fd_ < 0; ++attempt) {
    temporaryName_ = base + std::to_string(attempt);
    fd_ = ::open(temporaryName_.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
    if (fd_ < 0 && errno != EEXIST) break;
  }
  if (fd_ < 0) throw Failure("impossible de creer le fichier " + mapName_ + "\n");
  pendingTemporary.store(temporaryName_.c_str());
  buffer_ = std::make_unique<std::uint8_t[]>(kBufferBytes);
}

MapFile::~MapFile() {
  if (committed_) return;
  pendingTemporary.store(nullptr);
  if (fd_ >= 0) ::close(fd_);
  ::unlink(temporaryName_.c_str());
}

void MapFile::putBytes(const std::uint8_t* data, std::size_t count) {
  // Large spans go straight to the file: copying them through the buffer gains nothing.
  if (count >= kBufferBytes / 2) {
    flush();
    writeAll(data, count);
    return;
  }
  while (count > 0) {
    if (used_ == kBufferBytes) flush();
    const std::size_t part = std::min(count, kBufferBytes - used_);
    std::memcpy(buffer_.get() + used_, data, part);
    used_ += part;
    data += part;
    count -= part;
  }
}

void MapFile::flush() {
  writeAll(buffer_.get(), used_);
  used_ = 0;
}

void MapFile::writeAll(const std::uint8_t* data, std::size_t count) {
  std::size_t left = count;
  while (left > 0) {
    const ssize_t written = ::write(fd_, data, left);
    if (written < 0 && errno == EINTR) continue;
    if (written <= 0) failWrite();
    data += written;
    left -= static_cast<std::size_t>(written);
  }
}

void MapFile::failWrite() const {
  throw Failure("erreur lors de l'\xe9" "criture du fichier " + mapName_ + "\n");
}

void MapFile::commit() {
  flush();
  const int fd = std::exchange(fd_, -1);
  if (::close(fd) != 0) failWrite();
  if (std::rename(temporaryName_.c_str(), mapName_.c_str()) != 0) failWrite();
  pendingTemporary.store(nullptr);
  committed_ = true;
}

}  // namespace quorvel
