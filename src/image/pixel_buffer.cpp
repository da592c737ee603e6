#include "image/pixel_buffer.h"

#include <sys/mman.h>

#include <algorithm>
#include <cstdint>
#include <new>
#include <string>
#include <utility>

#include "page_advice.h"

namespace quorvel {

PixelBuffers::~PixelBuffers() { stop(); }

void PixelBuffers::prepare(std::vector<PreparedFile> files) {
  stop();
  const std::lock_guard lock(mutex_);
  files_ = std::move(files);
  next_ = 0;
  if (files_.empty()) return;
  if (!worker_.start([this] { make(); })) files_.clear();  // every load allocates its own
}

void PixelBuffers::resize(std::vector<std::uint8_t>& pixels, std::size_t bytes,
                          const std::string& fileName) {
  if (bytes > 0 && take(fileName, bytes, pixels)) {
    // What the load keeps may be less than the file holds: the rest goes back at once.
    constexpr std::uintptr_t kPage = 4096;
    const auto end = reinterpret_cast<std::uintptr_t>(pixels.data() + bytes);
    const auto last = reinterpret_cast<std::uintptr_t>(pixels.data() + pixels.size());
    const std::uintptr_t first = (end + kPage - 1) / kPage * kPage;
    if (last >= first + (std::uintptr_t{2} << 20)) {
      ::madvise(reinterpret_cast<void*>(first), last / kPage * kPage - first, MADV_DONTNEED);
    }
    pixels.resize(bytes);  // smaller than the buffer: its zeros stay, nothing is touched
    return;
  }
  resizeOnReadyPages(pixels, bytes);
}

// The buffer prepared for fileName when it holds at least bytes, waiting while it is being
// made; false when there is none. A buffer that could not be allocated is simply not
// offered: the load then allocates its own and reports the failure.
bool PixelBuffers::take(const std::string& fileName, std::size_t bytes,
                        std::vector<std::uint8_t>& out) {
  std::unique_lock lock(mutex_);
  const auto file = std::find_if(files_.begin(), files_.end(), [&](const PreparedFile& f) {
    return f.fileName == fileName && f.bytes >= bytes;
  });
  if (file == files_.end()) return false;
  const auto index = static_cast<std::size_t>(file - files_.begin());
  changed_.wait(lock, [&] { return next_ > index || stopping_; });
  auto made = ready_.find(index);
  if (made == ready_.end()) return false;
  out = std::move(made->second);
  ready_.erase(made);
  return true;
}

void PixelBuffers::make() {
  for (;;) {
    std::size_t bytes = 0;
    {
      const std::lock_guard lock(mutex_);
      if (next_ >= files_.size() || stopping_) return;
      bytes = files_[next_].bytes;
    }
    std::vector<std::uint8_t> buffer;
    bool made = true;
    try {
      resizeOnReadyPages(buffer, bytes);
    } catch (const std::bad_alloc&) {
      made = false;
    }
    {
      const std::lock_guard lock(mutex_);
      if (made) ready_.emplace(next_, std::move(buffer));
      ++next_;
    }
    changed_.notify_all();
  }
}

void PixelBuffers::stop() {
  {
    const std::lock_guard lock(mutex_);
    stopping_ = true;
  }
  changed_.notify_all();
  worker_.join();
  const std::lock_guard lock(mutex_);
  stopping_ = false;
  files_.clear();
  ready_.clear();
  next_ = 0;
}

}  // namespace quorvel
