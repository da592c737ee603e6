#pragma once

#include <cstddef>
#include <cstdint>

namespace quorvel {

// Reads up to size bytes of file descriptor fd at offset at, with as many pread calls as it
// takes, fewer only at the end of the file (or on an error, whose bytes are then missing like
// those past the end); returns how many.
std::size_t readAt(int fd, std::uint8_t* out, std::size_t size, std::uint64_t at);

}  // namespace quorvel
