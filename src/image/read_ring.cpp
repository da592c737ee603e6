#include "image/read_ring.h"

#include <linux/io_uring.h>
#include <sys/mman.h>
#include <sys/syscall.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <limits>

namespace quorvel {
namespace {

std::atomic<bool> ringsAllowed{true};

// The kernel reads the submission tail and writes the heads and the completion tail while this
// thread runs: the indices are exchanged with acquire and release, as the kernel does.
std::uint32_t loadAcquire(const std::uint32_t* at) { return __atomic_load_n(at, __ATOMIC_ACQUIRE); }

void storeRelease(std::uint32_t* at, std::uint32_t value) {
  __atomic_store_n(at, value, __ATOMIC_RELEASE);
}

class Ring {
 public:
  Ring() { open(); }
  ~Ring() { close(); }
  Ring(const Ring&) = delete;
  Ring& operator=(const Ring&) = delete;

  bool usable() {
    // A child made by fork shares the parent's mapping of the ring: it must have its own.
    if (fd_ >= 0 && pid_ != ::getpid()) {
      close();
      open();
    }
    return fd_ >= 0;
  }

  void read(int file, std::span<const PieceRead> pieces, std::span<std::int64_t> got);

 private:
  void open();
  void close();

  int fd_ = -1;
  pid_t pid_ = 0;
  void* sqRing_ = MAP_FAILED;
  std::size_t sqBytes_ = 0;
  void* cqRing_ = MAP_FAILED;
  std::size_t cqBytes_ = 0;
  void* sqeArea_ = MAP_FAILED;
  std::size_t sqeBytes_ = 0;
  std::uint32_t entries_ = 0;
  std::uint32_t* sqHead_ = nullptr;
  std::uint32_t* sqTail_ = nullptr;
  std::uint32_t* sqArray_ = nullptr;
  std::uint32_t sqMask_ = 0;
  io_uring_sqe* sqes_ = nullptr;
  std::uint32_t* cqHead_ = nullptr;
  std::uint32_t* cqTail_ = nullptr;
  std::uint32_t cqMask_ = 0;
  io_uring_cqe* cqes_ = nullptr;
};

void Ring::open() {
  io_uring_params params{};
  const long fd = ::syscall(__NR_io_uring_setup, static_cast<unsigned>(kRingPieces), &params);
  if (fd < 0) return;
  fd_ = static_cast<int>(fd);
  pid_ = ::getpid();
  sqBytes_ = params.sq_off.array + params.sq_entries * sizeof(std::uint32_t);
  cqBytes_ = params.cq_off.cqes + params.cq_entries * sizeof(io_uring_cqe);
  const bool single = (params.features & IORING_FEAT_SINGLE_MMAP) != 0;
  if (single) sqBytes_ = cqBytes_ = std::max(sqBytes_, cqBytes_);
  const auto map = [this](std::size_t bytes, off_t what) {
    return ::mmap(nullptr, bytes, PROT_READ | PROT_WRITE, MAP_SHARED | MAP_POPULATE, fd_, what);
  };
  sqRing_ = map(sqBytes_, IORING_OFF_SQ_RING);
  if (sqRing_ != MAP_FAILED) cqRing_ = single ? sqRing_ : map(cqBytes_, IORING_OFF_CQ_RING);
  sqeBytes_ = params.sq_entries * sizeof(io_uring_sqe);
  if (cqRing_ != MAP_FAILED) sqeArea_ = map(sqeBytes_, static_cast<off_t>(IORING_OFF_SQES));
  if (sqeArea_ == MAP_FAILED || params.sq_entries < kRingPieces) {
    close();
    return;
  }
  auto* const sq = static_cast<std::uint8_t*>(sqRing_);
  auto* const cq = static_cast<std::uint8_t*>(cqRing_);
  entries_ = params.sq_entries;
  sqHead_ = reinterpret_cast<std::uint32_t*>(sq + params.sq_off.head);
  sqTail_ = reinterpret_cast<std::uint32_t*>(sq + params.sq_off.tail);
  sqArray_ = reinterpret_cast<std::uint32_t*>(sq + params.sq_off.array);
  sqMask_ = *reinterpret_cast<const std::uint32_t*>(sq + params.sq_off.ring_mask);
  sqes_ = static_cast<io_uring_sqe*>(sqeArea_);
  cqHead_ = reinterpret_cast<std::uint32_t*>(cq + params.cq_off.head);
  cqTail_ = reinterpret_cast<std::uint32_t*>(cq + params.cq_off.tail);
  cqMask_ = *reinterpret_cast<const std::uint32_t*>(cq + params.cq_off.ring_mask);
  cqes_ = reinterpret_cast<io_uring_cqe*>(cq + params.cq_off.cqes);
}

void Ring::close() {
  if (sqeArea_ != MAP_FAILED) ::munmap(sqeArea_, sqeBytes_);
  if (cqRing_ != MAP_FAILED && cqRing_ != sqRing_) ::munmap(cqRing_, cqBytes_);
  if (sqRing_ != MAP_FAILED) ::munmap(sqRing_, sqBytes_);
  if (fd_ >= 0) ::close(fd_);
  sqeArea_ = cqRing_ = sqRing_ = MAP_FAILED;
  fd_ = -1;
}

void Ring::read(int file, std::span<const PieceRead> pieces, std::span<std::int64_t> got) {
  const auto count = static_cast<std::uint32_t>(pieces.size());
  std::fill(got.begin(), got.end(), -1);
  const std::uint32_t tail = *sqTail_;  // only this thread moves it
  for (std::uint32_t i = 0; i < count; ++i) {
    const std::uint32_t index = (tail + i) & sqMask_;
    io_uring_sqe& sqe = sqes_[index];
    std::memset(&sqe, 0, sizeof sqe);
    sqe.opcode = IORING_OP_READ;
    sqe.fd = file;
    sqe.addr = reinterpret_cast<std::uintptr_t>(pieces[i].to);
    sqe.len = static_cast<std::uint32_t>(pieces[i].size);
    sqe.off = pieces[i].offset;
    sqe.user_data = i;
    sqArray_[index] = index;
  }
  storeRelease(sqTail_, tail + count);

  // Submitted and waited for in one call, again after a signal. After an error nothing more is
  // submitted; what the kernel took is waited for (it writes into the caller's buffers), and
  // the ring is closed with whatever it did not take, which the caller reads itself.
  std::uint32_t completed = 0;
  bool failing = false;
  while (true) {
    std::uint32_t head = *cqHead_;
    for (const std::uint32_t ready = loadAcquire(cqTail_); head != ready; ++head) {
      const io_uring_cqe& cqe = cqes_[head & cqMask_];
      if (cqe.user_data < count) got[cqe.user_data] = cqe.res >= 0 ? cqe.res : -1;
      // A kernel that has rings but not their reads (before Linux 5.6) refuses every one: the
      // thread reads without a ring from then on.
      if (cqe.res == -EINVAL || cqe.res == -EOPNOTSUPP) failing = true;
      ++completed;
    }
    storeRelease(cqHead_, head);
    const std::uint32_t taken = loadAcquire(sqHead_) - tail;
    if (completed == taken && (taken == count || failing)) break;
    const std::uint32_t submit = failing ? 0 : count - taken;
    const long entered = ::syscall(__NR_io_uring_enter, fd_, submit, taken + submit - completed,
                                   IORING_ENTER_GETEVENTS, nullptr, 0);
    if (entered < 0 && errno != EINTR) {
      if (failing) break;  // not even waiting works: nothing more can be learnt
      failing = true;
    }
  }
  if (failing) close();
}

}  // namespace

bool readPieces(int fd, std::span<const PieceRead> pieces, std::span<std::int64_t> got) {
  if (!ringsAllowed.load(std::memory_order_relaxed) || pieces.size() > kRingPieces ||
      got.size() < pieces.size()) {
    return false;
  }
  for (const PieceRead& piece : pieces) {
    if (piece.size > std::numeric_limits<std::int32_t>::max() ||
        piece.offset > std::uint64_t{std::numeric_limits<std::int64_t>::max()}) {
      return false;
    }
  }
  thread_local Ring ring;
  if (!ring.usable()) return false;
  ring.read(fd, pieces, got);
  return true;
}

void allowReadRings(bool allow) { ringsAllowed.store(allow, std::memory_order_relaxed); }

}  // namespace quorvel
