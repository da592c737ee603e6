#include "image/samples_ahead.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <sys/uio.h>
#include <unistd.h>

#include <algorithm>
#include <bit>
#include <utility>

#ifdef __SSE2__
#include <emmintrin.h>
#endif

#include "little_endian.h"
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

// The fields of a TIFF directory that the strip guess looks at, and the types of their values.
constexpr std::uint16_t kImageWidth = 256;
constexpr std::uint16_t kImageLength = 257;
constexpr std::uint16_t kBitsPerSample = 258;
constexpr std::uint16_t kCompression = 259;
constexpr std::uint16_t kFillOrder = 266;
constexpr std::uint16_t kStripOffsets = 273;
constexpr std::uint16_t kSamplesPerPixel = 277;
constexpr std::uint16_t kRowsPerStrip = 278;
constexpr std::uint16_t kStripByteCounts = 279;
constexpr std::uint16_t kPredictor = 317;
constexpr std::uint16_t kTileWidth = 322;
constexpr std::uint16_t kSampleFormat = 339;
constexpr std::uint16_t kShort = 3;
constexpr std::uint16_t kLong = 4;
constexpr std::size_t kEntryBytes = 12;

bool readAt(int file, std::uint8_t* to, std::size_t bytes, std::uint64_t at) {
  return ::pread(file, to, bytes, static_cast<off_t>(at)) == static_cast<ssize_t>(bytes);
}

// The values of a directory entry of SHORT or LONG values (entry points at its 12 bytes), in
// the entry itself when they fit in its last four bytes, else where those say; nothing for
// other types or values beyond the file's bytes.
std::optional<std::vector<std::uint32_t>> valuesOf(int file, std::uint64_t fileBytes,
                                                   const std::uint8_t* entry) {
  const std::uint16_t type = loadLe16(entry + 2);
  const std::uint32_t count = loadLe32(entry + 4);
  const std::size_t size = type == kShort ? 2 : type == kLong ? 4 : 0;
  const std::uint64_t bytes = std::uint64_t{count} * size;
  if (size == 0 || count == 0 || bytes > fileBytes) return std::nullopt;
  std::vector<std::uint8_t> raw(static_cast<std::size_t>(bytes));
  if (bytes <= 4) {
    std::copy_n(entry + 8, bytes, raw.begin());
  } else if (!readAt(file, raw.data(), raw.size(), loadLe32(entry + 8))) {
    return std::nullopt;
  }
  std::vector<std::uint32_t> values(count);
  for (std::size_t i = 0; i < values.size(); ++i) {
    values[i] = size == 2 ? loadLe16(raw.data() + 2 * i) : loadLe32(raw.data() + 4 * i);
  }
  return values;
}

}  // namespace

std::optional<StripRows> guessStripRows(int file, std::uint64_t fileBytes) {
  std::uint8_t header[8];
  if (!readAt(file, header, sizeof header, 0) || header[0] != 'I' || header[1] != 'I' ||
      loadLe16(header + 2) != 42) {
    return std::nullopt;
  }
  const std::uint64_t directory = loadLe32(header + 4);
  std::uint8_t count[2];
  if (!readAt(file, count, sizeof count, directory)) return std::nullopt;
  // A directory of more entries than any writer of elevation models puts there is no guess.
  const std::size_t entries = loadLe16(count);
  if (entries == 0 || entries > 256) return std::nullopt;
  std::vector<std::uint8_t> raw(entries * kEntryBytes);
  if (!readAt(file, raw.data(), raw.size(), directory + 2)) return std::nullopt;
  const auto entry = [&](std::uint16_t tag) -> const std::uint8_t* {
    for (std::size_t at = 0; at < raw.size(); at += kEntryBytes) {
      if (loadLe16(raw.data() + at) == tag) return raw.data() + at;
    }
    return nullptr;
  };
  // A field of one value, or the value a missing field has; nothing for one of several values.
  const auto one = [&](std::uint16_t tag, std::uint32_t missing) -> std::optional<std::uint32_t> {
    const std::uint8_t* at = entry(tag);
    if (at == nullptr) return missing;
    const auto values = valuesOf(file, fileBytes, at);
    return values && values->size() == 1 ? std::optional((*values)[0]) : std::nullopt;
  };
  constexpr std::uint32_t kLargest = 0x7FFFFFFF;
  const auto width = one(kImageWidth, 0);
  const auto height = one(kImageLength, 0);
  const auto perStrip = one(kRowsPerStrip, 0xFFFFFFFF);
  const auto format = one(kSampleFormat, 1);
  if (!width || !height || !perStrip || !format || *width == 0 || *width > kLargest / 2 ||
      *height == 0 || *height > kLargest || *perStrip == 0 || (*format != 1 && *format != 2) ||
      one(kBitsPerSample, 1) != 16u || one(kCompression, 1) != 1u ||
      one(kSamplesPerPixel, 1) != 1u || one(kFillOrder, 1) != 1u || one(kPredictor, 1) != 1u ||
      entry(kTileWidth) != nullptr || entry(kStripOffsets) == nullptr ||
      entry(kStripByteCounts) == nullptr) {
    return std::nullopt;
  }
  const std::uint64_t rows = std::min(*perStrip, *height);
  const std::uint64_t strips = (*height + rows - 1) / rows;
  const auto offsets = valuesOf(file, fileBytes, entry(kStripOffsets));
  const auto counts = valuesOf(file, fileBytes, entry(kStripByteCounts));
  if (!offsets || !counts || offsets->size() != strips || counts->size() != strips) {
    return std::nullopt;
  }
  const std::uint64_t rowBytes = std::uint64_t{*width} * 2;
  StripRows guess{static_cast<int>(*width), static_cast<int>(*height), {}, *format == 2};
  guess.rowAt.reserve(*height);
  for (std::uint64_t strip = 0; strip < strips; ++strip) {
    // The last strip holds only the rows the image has left.
    const std::uint64_t held = std::min(rows, *height - strip * rows);
    const std::uint64_t start = (*offsets)[strip];
    if (start == 0 || (*counts)[strip] < held * rowBytes || start + held * rowBytes > fileBytes) {
      return std::nullopt;
    }
    for (std::uint64_t row = 0; row < held; ++row) guess.rowAt.push_back(start + row * rowBytes);
  }
  return guess;
}

void readStripsAhead(const std::string& fileName, SamplesAhead& ahead) {
  ahead.rows = 0;
  // Samples taken as they lie in a little-endian file are the host's only on such a host.
  if constexpr (std::endian::native != std::endian::little) return;
  const int file = ::open(fileName.c_str(), O_RDONLY | O_CLOEXEC);
  if (file < 0) return;
  struct stat before {};
  struct stat after {};
  std::optional<StripRows> guess;
  if (::fstat(file, &before) == 0 && S_ISREG(before.st_mode)) {
    guess = guessStripRows(file, static_cast<std::uint64_t>(before.st_size));
  }
  const std::size_t rowBytes = guess ? static_cast<std::size_t>(guess->width) * 2 : 1;
  const int rows =
      guess ? static_cast<int>(std::min<std::size_t>(static_cast<std::size_t>(guess->height),
                                                     ahead.pixels.size() / rowBytes))
            : 0;
  // Stored row height - 1 - r goes to map row r: in the file's order, one preadv for each run
  // of rows that lie end to end, as many as it takes at once.
  constexpr std::size_t kRowsAtOnce = 1024;
  std::vector<iovec> run;
  std::uint64_t start = 0;
  std::uint64_t end = 0;
  const auto flush = [&] {
    const ssize_t got = run.empty() ? 0
                                    : ::preadv(file, run.data(), static_cast<int>(run.size()),
                                               static_cast<off_t>(start));
    run.clear();
    return got == static_cast<ssize_t>(end - start);
  };
  bool whole = rows > 0;
  for (int r = rows - 1; r >= 0 && whole; --r) {
    const std::uint64_t at = guess->rowAt[static_cast<std::size_t>(guess->height - 1 - r)];
    if (!run.empty() && (at != end || run.size() == kRowsAtOnce)) whole = flush();
    if (run.empty()) start = end = at;
    run.push_back({ahead.pixels.data() + rowBytes * static_cast<std::size_t>(r), rowBytes});
    end = at + rowBytes;
  }
  whole = whole && flush() && ::fstat(file, &after) == 0 && stampFrom(before) == stampFrom(after);
  ::close(file);
  if (!whole) return;
  ahead.width = guess->width;
  ahead.height = guess->height;
  ahead.rowAt.assign(static_cast<std::size_t>(rows), 0);
  for (int r = 0; r < rows; ++r) {
    ahead.rowAt[static_cast<std::size_t>(r)] =
        guess->rowAt[static_cast<std::size_t>(guess->height - 1 - r)];
  }
  ahead.signedSamples = guess->signedSamples;
  ahead.file = stampFrom(before);
  ahead.rows = rows;
}

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
  if (whole) {
    resizeOnReadyPages(ahead.pixels, bytes);
    // The file's first row is the map's last: each row straight into its place, a call for
    // as many rows as preadv takes.
    constexpr int kRowsAtOnce = 1024;
    iovec rows[kRowsAtOnce];
    for (int first = 0; first < side && whole; first += kRowsAtOnce) {
      const int count = std::min(kRowsAtOnce, side - first);
      for (int r = 0; r < count; ++r) {
        rows[r] = {ahead.pixels.data() + rowBytes * static_cast<std::size_t>(side - 1 - first - r),
                   rowBytes};
      }
      const ssize_t got = ::preadv(file, rows, count,
                                   static_cast<off_t>(rowBytes * static_cast<std::size_t>(first)));
      whole = got == static_cast<ssize_t>(rowBytes * static_cast<std::size_t>(count));
    }
  }
  whole = whole && ::fstat(file, &after) == 0 && stampFrom(before) == stampFrom(after);
  ::close(file);
  if (!whole) return;
  ahead.voids = swapAndFindVoids(ahead.pixels.data(), bytes);
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
