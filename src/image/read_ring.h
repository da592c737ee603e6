#pragma once

#include <cstddef>
#include <cstdint>
#include <span>

namespace quorvel {

// size bytes of a file at offset, into to.
struct PieceRead {
  std::uint8_t* to;
  std::size_t size;
  std::uint64_t offset;
};

// The most pieces one call of readPieces takes.
inline constexpr std::size_t kRingPieces = 64;

// Reads up to kRingPieces pieces of the file fd with one system call, through a submission
// ring of the kernel's (io_uring): on a virtual machine a call costs more than copying a few
// kilobytes, and a world's tile reads thousands of short rows of each image. Each thread
// makes its ring at its first call; a process made by fork makes its own.
// False when no ring is to be had (an old kernel, one that refuses it, an emulator), having
// read nothing: the caller reads the pieces itself. Otherwise got[i] is what was read of
// pieces[i]: its size, fewer bytes at the end of the file, or -1 on an error (or when a
// failing ring left it unread); the caller reads again whatever came short.
[[nodiscard]] bool readPieces(int fd, std::span<const PieceRead> pieces,
                              std::span<std::int64_t> got);

// Whether readPieces may use rings at all (the default) or always returns false: both ways
// must read the same bytes, and the tests read with each.
void allowReadRings(bool allow);

}  // namespace quorvel
