#include "map/map_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <utility>

#include "failure.h"

namespace quorvel {
namespace {

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

MapFile::MapFile(std::string mapName) : mapName_(std::move(mapName)) {
  // A directory can never become the map; finding out only at the rename would come after
  // the whole file had been written.
  struct stat target {};
  if (::stat(mapName_.c_str(), &target) == 0 && S_ISDIR(target.st_mode)) {
    throw cannotCreate(mapName_, creationProblem(mapName_));
  }
  // O_EXCL so that two runs, or a stale file, never share a temporary name.
  const std::string base = mapName_ + ".tmp" + std::to_string(::getpid()) + "-";
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
}

MapFile::~MapFile() {
  if (committed_) return;
  if (fd_ >= 0) ::close(fd_);
  ::unlink(temporaryName_.c_str());
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
  committed_ = true;
}

}  // namespace quorvel
