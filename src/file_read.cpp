#include "file_read.h"

#include <sys/types.h>
#include <unistd.h>

#include <limits>

namespace quorvel {

std::size_t readAt(int fd, std::uint8_t* out, std::size_t size, std::uint64_t at) {
  std::size_t got = 0;
  while (got < size && at <= std::uint64_t{std::numeric_limits<off_t>::max()}) {
    const ssize_t n = ::pread(fd, out + got, size - got, static_cast<off_t>(at));
    if (n <= 0) break;
    got += static_cast<std::size_t>(n);
    at += static_cast<std::uint64_t>(n);
  }
  return got;
}

}  // namespace quorvel
