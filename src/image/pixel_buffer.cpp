#include "image/pixel_buffer.h"

#include <sys/mman.h>

#include <condition_variable>
#include <cstdint>
#include <deque>
#include <mutex>
#include <new>
#include <system_error>
#include <thread>
#include <utility>

namespace quorvel {
namespace {

// Sizes pixels to bytes of zeros, backed by 2 MiB pages where the system offers them.
void allocateZeroed(std::vector<std::uint8_t>& pixels, std::size_t bytes) {
  constexpr std::uintptr_t kHugePage = std::uintptr_t{2} << 20;
  pixels.clear();
  pixels.reserve(bytes);  // allocates without touching a page
#ifdef MADV_HUGEPAGE
  const auto begin = reinterpret_cast<std::uintptr_t>(pixels.data());
  const std::uintptr_t first = (begin + kHugePage - 1) / kHugePage * kHugePage;
  const std::uintptr_t last = (begin + bytes) / kHugePage * kHugePage;
  if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
  pixels.resize(bytes);
}

// Buffers made ready on a thread of their own, handed out in order. A buffer it cannot
// allocate is simply not offered: the load then allocates its own and reports the failure.
class PreparedBuffers {
 public:
  ~PreparedBuffers() { stop(); }

  void start(int count, std::size_t bytes) {
    stop();
    const std::lock_guard lock(mutex_);
    pending_ = count;
    bytes_ = bytes;
    try {
      worker_ = std::thread([this] { prepare(); });
    } catch (const std::system_error&) {
      pending_ = 0;  // no thread to be had: every load allocates its own
    }
  }

  // A prepared buffer of at least bytes, waiting for one still being made; false when none
  // is to come.
  bool take(std::size_t bytes, std::vector<std::uint8_t>& out) {
    std::unique_lock lock(mutex_);
    if (bytes > bytes_) return false;
    changed_.wait(lock, [this] { return !ready_.empty() || pending_ == 0; });
    if (ready_.empty()) return false;
    out = std::move(ready_.front());
    ready_.pop_front();
    return true;
  }

 private:
  void prepare() {
    for (;;) {
      std::size_t bytes = 0;
      {
        const std::lock_guard lock(mutex_);
        if (pending_ == 0 || stopping_) return;
        bytes = bytes_;
      }
      std::vector<std::uint8_t> buffer;
      bool made = true;
      try {
        allocateZeroed(buffer, bytes);
      } catch (const std::bad_alloc&) {
        made = false;
      }
      {
        const std::lock_guard lock(mutex_);
        if (made) {
          ready_.push_back(std::move(buffer));
          --pending_;
        } else {
          pending_ = 0;
        }
      }
      changed_.notify_all();
    }
  }

  void stop() {
    {
      const std::lock_guard lock(mutex_);
      stopping_ = true;
    }
    if (worker_.joinable()) worker_.join();
    const std::lock_guard lock(mutex_);
    stopping_ = false;
    pending_ = 0;
    ready_.clear();
  }

  std::mutex mutex_;
  std::condition_variable changed_;
  std::deque<std::vector<std::uint8_t>> ready_;
  int pending_ = 0;
  std::size_t bytes_ = 0;
  bool stopping_ = false;
  std::thread worker_;
};

PreparedBuffers& prepared() {
  static PreparedBuffers buffers;
  return buffers;
}

}  // namespace

void preparePixelBuffers(int count, std::size_t bytes) {
  if (count > 0 && bytes > 0) prepared().start(count, bytes);
}

void resizePixels(std::vector<std::uint8_t>& pixels, std::size_t bytes) {
  if (bytes > 0 && prepared().take(bytes, pixels)) {
    pixels.resize(bytes);  // never larger than the buffer was made: no new memory
    return;
  }
  allocateZeroed(pixels, bytes);
}

}  // namespace quorvel
