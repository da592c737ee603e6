#include "image/samples_ahead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <utility>
#include <vector>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "file_read.h"
#include "page_advice.h"

namespace quorvel {
namespace {

FileStamp stampFrom(const struct stat& status) {
  const auto ns = [](const timespec& time) {
    return static_cast<std::int64_t>(time.tv_sec) * 1000000000 + time.tv_nsec;
  };
  return FileStamp{
      static_cast<std::uint64_t>(status.st_dev), static_cast<std::uint64_t>(status.st_ino),
      static_cast<std::uint64_t>(status.st_size), ns(status.st_mtim), ns(status.st_ctim)};
}

#ifdef __SSE2__
// Eight 16-bit samples with their two bytes exchanged.
__m128i turnedPairs(__m128i samples) {
  return _mm_or_si128(_mm_slli_epi16(samples, 8), _mm_srli_epi16(samples, 8));
}
#endif

// Turns big-endian samples into the host's order and tells whether one of them is -32768:
// with SSE2, which every x86-64 has, eight at a time.
bool swapAndFindVoids(std::uint8_t* bytes, std::size_t count) {
  std::size_t i = 0;
  unsigned found = 0;
#ifdef __SSE2__
  __m128i voids = _mm_setzero_si128();
  const __m128i mark = _mm_set1_epi16(static_cast<short>(0x8000));
  for (; i + 16 <= count; i += 16) {
    auto* at = reinterpret_cast<__m128i*>(bytes + i);
    const __m128i turned = turnedPairs(_mm_loadu_si128(at));
    _mm_storeu_si128(at, turned);
    voids = _mm_or_si128(voids, _mm_cmpeq_epi16(turned, mark));
  }
  found = static_cast<unsigned>(_mm_movemask_epi8(voids));
#endif
  for (; i + 1 < count; i += 2) {
    std::swap(bytes[i], bytes[i + 1]);
    found |= bytes[i] == 0x00 && bytes[i + 1] == 0x80 ? 1u : 0u;  // little-endian -32768
  }
  return found != 0;
}

}  // namespace

std::optional<FileStamp> stampOf(const std::string& fileName) {
  struct stat status {};
  if (::stat(fileName.c_str(), &status) != 0) return std::nullopt;
  return stampFrom(status);
}

int srtmSideGuess(const std::string& fileName) {
  if (fileName.size() < 4 || fileName.find(':') != std::string::npos ||
      fileName.starts_with("/vsi")) {
    return 0;
  }
  std::string end = fileName.substr(fileName.size() - 4);
  std::transform(end.begin(), end.end(), end.begin(), [](char c) {
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
  });
  struct stat status {};
  if (end != ".hgt" || ::stat(fileName.c_str(), &status) != 0 || !S_ISREG(status.st_mode)) {
    return 0;
  }
  for (const int side : {1201, 3601}) {
    if (status.st_size == static_cast<off_t>(2) * side * side) return side;
  }
  return 0;
}

void readSrtmAhead(const std::string& fileName, int side, SamplesAhead& ahead) {
  ahead.side = 0;
  const int file = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return;
  struct stat before {};
  struct stat after {};
  const std::size_t rowBytes = static_cast<std::size_t>(side) * 2;
  const std::size_t bytes = rowBytes * static_cast<std::size_t>(side);
  bool whole = ::fstat(file, &before) == 0 && before.st_size == static_cast<off_t>(bytes);
  bool voids = false;
  if (whole) {
    // The samples' memory is written once, each row turned on its way there, from a few rows
    // at a time read into a buffer that stays in the processor's cache: the file's rows are
    // read from its end, as its last row is the map's first. Appended, as read, the memory's
    // pages are made by the copy itself, where a vector made to size first wrote them with
    // zeros (and reading the rows there and turning them in place went over them twice more).
    ahead.pixels.clear();
    ahead.pixels.reserve(bytes);  // allocates without touching a page
    adviseHugePages(ahead.pixels.data(), bytes);
    constexpr std::size_t kChunkBytes = std::size_t{256} << 10;
    const int rowsAtOnce = static_cast<int>(std::max<std::size_t>(1, kChunkBytes / rowBytes));
    std::vector<std::uint8_t> chunk(rowBytes * static_cast<std::size_t>(rowsAtOnce));
    for (int done = 0; done < side && whole;) {
      const int count = std::min(rowsAtOnce, side - done);
      const int first = side - done - count;  // the chunk's first row in the file
      const std::size_t chunkBytes = rowBytes * static_cast<std::size_t>(count);
      whole = readAt(file, chunk.data(), chunkBytes, rowBytes * static_cast<std::size_t>(first)) ==
              chunkBytes;
      for (int r = count - 1; r >= 0 && whole; --r) {
        std::uint8_t* row = chunk.data() + rowBytes * static_cast<std::size_t>(r);
        voids |= swapAndFindVoids(row, rowBytes);
        ahead.pixels.insert(ahead.pixels.end(), row, row + rowBytes);
      }
      done += count;
    }
  }
  whole = whole && ::fstat(file, &after) == 0 && stampFrom(before) == stampFrom(after);
  ::close(file);
  if (!whole) return;
  ahead.voids = voids;
  ahead.file = stampFrom(before);
  ahead.side = side;
}

void swapBytePairs(std::uint8_t* bytes, std::size_t count) {
  std::size_t i = 0;
#ifdef __SSE2__
  for (; i + 16 <= count; i += 16) {
    auto* at = reinterpret_cast<__m128i*>(bytes + i);
    _mm_storeu_si128(at, turnedPairs(_mm_loadu_si128(at)));
  }
#endif
  for (; i + 1 < count; i += 2) std::swap(bytes[i], bytes[i + 1]);
}

}  // namespace quorvel
