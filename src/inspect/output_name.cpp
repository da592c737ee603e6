#include "inspect/output_name.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "failure.h"

namespace quorvel {

void checkOutputName(const std::string& fileName) {
  const auto refuse = [&](const std::string& reason) {
    throw Failure(ErrorKind::kWrite, "cannot create " + fileName + ": " + reason + "\n");
  };
  struct stat status {};
  if (::stat(fileName.c_str(), &status) == 0) {
    if (!S_ISREG(status.st_mode)) refuse("not a regular file");
    if (::access(fileName.c_str(), W_OK) != 0) refuse(std::strerror(errno));
  }
  // The directory must take a new file: the picture or the temporary .glb beside the name.
  const std::string probe = fileName + ".tmp" + std::to_string(::getpid()) + "-probe";
  const int fd = ::open(probe.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
  if (fd < 0) refuse(std::strerror(errno));
  ::close(fd);
  ::unlink(probe.c_str());
}

}  // namespace quorvel
