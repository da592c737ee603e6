#include "image/read_ring.h"

#include <unistd.h>

#ifndef QUORVEL_NO_READ_RINGS
#include <liburing.h>
#endif

#include <algorithm>
#include <cerrno>
#include <limits>

namespace quorvel {

#ifdef QUORVEL_NO_READ_RINGS

// Built without liburing (QUORVEL_READ_RINGS=OFF): no ring is ever to be had.
class ReadRings::Ring {
 public:
  [[nodiscard]] bool open() const { return false; }
  bool read(int, std::span<const PieceRead>, std::span<std::int64_t>) { return false; }
};

#else

class ReadRings::Ring {
 public:
  Ring() : open_(::io_uring_queue_init(kRingPieces, &ring_, 0) == 0) {}
  ~Ring() {
    if (open_) ::io_uring_queue_exit(&ring_);
  }
  Ring(const Ring&) = delete;
  Ring& operator=(const Ring&) = delete;

  [[nodiscard]] bool open() const { return open_; }

  // False when the ring failed and must not be used again.
  bool read(int file, std::span<const PieceRead> pieces, std::span<std::int64_t> got);

 private:
  io_uring ring_{};
  bool open_;
};

bool ReadRings::Ring::read(int file, std::span<const PieceRead> pieces,
                           std::span<std::int64_t> got) {
  const auto count = static_cast<unsigned>(pieces.size());
  std::fill(got.begin(), got.end(), -1);
  // The ring holds kRingPieces entries and every call waits for all it submitted.
  for (unsigned i = 0; i < count; ++i) {
    io_uring_sqe* const sqe = ::io_uring_get_sqe(&ring_);
    ::io_uring_prep_read(sqe, file, pieces[i].to, static_cast<unsigned>(pieces[i].size),
                         pieces[i].offset);
    ::io_uring_sqe_set_data64(sqe, i);
  }

  // Submitted and waited for in one call, again after a signal (the kernel waits only when it
  // took every entry). After an error nothing more is submitted; what the kernel took is
  // waited for (it writes into the caller's buffers), and the ring is dropped with whatever it
  // did not take, which the caller reads itself.
  unsigned taken = 0;
  unsigned completed = 0;
  bool failing = false;
  while (true) {
    unsigned head = 0;
    unsigned seen = 0;
    io_uring_cqe* cqe = nullptr;
    io_uring_for_each_cqe(&ring_, head, cqe) {
      const std::uint64_t piece = ::io_uring_cqe_get_data64(cqe);
      if (piece < count) got[piece] = cqe->res >= 0 ? cqe->res : -1;
      // A kernel that has rings but not their reads (before Linux 5.6) refuses every one: the
      // reader reads without rings from then on.
      if (cqe->res == -EINVAL || cqe->res == -EOPNOTSUPP) failing = true;
      ++seen;
    }
    ::io_uring_cq_advance(&ring_, seen);
    completed += seen;
    if (completed == taken && (taken == count || failing)) break;
    int entered = 0;
    if (failing || taken == count) {
      entered = ::io_uring_wait_cqe_nr(&ring_, &cqe, taken - completed);
    } else {
      entered = ::io_uring_submit_and_wait(&ring_, count - completed);
      if (entered > 0) taken += static_cast<unsigned>(entered);
    }
    if (entered < 0 && entered != -EINTR) {
      if (failing) break;  // not even waiting works: nothing more can be learnt
      failing = true;
    }
  }
  return !failing;
}

#endif

ReadRings::ReadRings(bool allowed) : pid_(::getpid()), available_(allowed) {}

ReadRings::~ReadRings() = default;

std::unique_ptr<ReadRings::Ring> ReadRings::borrow() {
  {
    const std::lock_guard lock(mutex_);
    if (!available_) return nullptr;
    if (pid_ != ::getpid()) {
      // The rings this child inherited are closed in it alone: the parent keeps its own.
      idle_.clear();
      pid_ = ::getpid();
    }
    if (!idle_.empty()) {
      std::unique_ptr<Ring> ring = std::move(idle_.back());
      idle_.pop_back();
      return ring;
    }
  }
  auto ring = std::make_unique<Ring>();
  if (ring->open()) return ring;
  const std::lock_guard lock(mutex_);
  available_ = false;  // the kernel will refuse the next one too
  return nullptr;
}

void ReadRings::giveBack(std::unique_ptr<Ring> ring) {
  const std::lock_guard lock(mutex_);
  if (pid_ == ::getpid()) idle_.push_back(std::move(ring));
}

bool ReadRings::readPieces(int fd, std::span<const PieceRead> pieces, std::span<std::int64_t> got) {
  if (pieces.size() > kRingPieces || got.size() < pieces.size()) return false;
  for (const PieceRead& piece : pieces) {
    if (piece.size > std::numeric_limits<std::int32_t>::max() ||
        piece.offset > std::uint64_t{std::numeric_limits<std::int64_t>::max()}) {
      return false;
    }
  }
  std::unique_ptr<Ring> ring = borrow();
  if (!ring) return false;
  if (ring->read(fd, pieces, got)) {
    giveBack(std::move(ring));
  } else {
    const std::lock_guard lock(mutex_);
    available_ = false;
  }
  return true;
}

}  // namespace quorvel
