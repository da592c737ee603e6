#pragma once

#include <sys/types.h>

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace quorvel {

// size bytes of a file at offset, into to.
struct PieceRead {
  std::uint8_t* to;
  std::size_t size;
  std::uint64_t offset;
};

// The most pieces one call of ReadRings::readPieces takes.
inline constexpr std::size_t kRingPieces = 64;

// Submission rings of the kernel's (io_uring, through liburing), which read many pieces of a
// file with one system call: on a virtual machine a call costs more than copying a few
// kilobytes, and a world's tile reads thousands of short rows of each image. The rings belong
// to this object, which the reader that uses them holds (an image loader): threads reading at
// once each borrow one for a call, and every ring is closed, its descriptor with it, when the
// object goes. Speed only: with rings or without, the same bytes are read.
class ReadRings {
 public:
  // Without allowed, readPieces always returns false: both ways must read the same bytes,
  // and the tests read with each.
  explicit ReadRings(bool allowed = true);
  ~ReadRings();
  ReadRings(const ReadRings&) = delete;
  ReadRings& operator=(const ReadRings&) = delete;

  // Reads up to kRingPieces pieces of the file fd with one ring. False when no ring is to be
  // had (an old kernel, one that refuses it, a container that forbids it, an emulator), having
  // read nothing: the caller reads the pieces itself. Otherwise got[i] is what was read of
  // pieces[i]: its size, fewer bytes at the end of the file, or -1 on an error (or when a
  // failing ring left it unread); the caller reads again whatever came short.
  [[nodiscard]] bool readPieces(int fd, std::span<const PieceRead> pieces,
                                std::span<std::int64_t> got);

 private:
  class Ring;
  [[nodiscard]] std::unique_ptr<Ring> borrow();
  void giveBack(std::unique_ptr<Ring> ring);

  std::mutex mutex_;
  std::vector<std::unique_ptr<Ring>> idle_;
  pid_t pid_;       // a child made by fork shares the parent's rings: it makes its own
  bool available_;  // false once the kernel has refused a ring or its reads
};

}  // namespace quorvel
