#include "image/bmp_reader.h"

#include <unistd.h>

#if defined(__x86_64__) && (defined(__GNUC__) || defined(__clang__))
#include <immintrin.h>
#define QUORVEL_SSSE3_SWAP 1
#endif

#include <algorithm>
#include <array>
#include <cerrno>
#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <utility>
#include <vector>

#include "failure.h"
#include "file_handle.h"
#include "file_read.h"
#include "image/grey_table.h"
#include "image/pixel_buffer.h"
#include "image/read_ring.h"
#include "little_endian.h"
#include "page_advice.h"
#include "worker_threads.h"

namespace quorvel {
namespace {

constexpr std::uint16_t kSignature = 19778;  // "BM"
constexpr std::size_t kHeaderBytes = 54;     // file header and the 40-byte info header
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr int kTableEntries = 256;

const char* const kExport40 =
    "export it with the 40-byte header: ImageMagick BMP3:name.bmp, GIMP \"Do not write color "
    "space information\"";

// The name of a number in a header field, from a table of {number, name}.
template <std::size_t N>
const char* nameOf(std::uint32_t value, const std::pair<std::uint32_t, const char*> (&names)[N],
                   const char* unknown) {
  for (const auto& [number, name] : names) {
    if (number == value) return name;
  }
  return unknown;
}

std::string infoHeaderHint(std::uint32_t bytes) {
  const char* kind = nameOf(bytes,
                            {{12, "OS/2 1.x BITMAPCOREHEADER"},
                             {16, "OS/2 2.x"},
                             {64, "OS/2 2.x"},
                             {52, "BITMAPV2INFOHEADER"},
                             {56, "BITMAPV3INFOHEADER"},
                             {108, "BITMAPV4HEADER"},
                             {124, "BITMAPV5HEADER"}},
                            "an unknown header");
  return " has a " + std::to_string(bytes) + "-byte info header (" + kind +
         "); only the 40-byte BITMAPINFOHEADER is read: " + kExport40;
}

std::string bitCountHint(std::uint16_t bits) {
  std::string hint = " has " + std::to_string(bits) + " bits per pixel; ";
  if (bits == 32) {
    return hint +
           "drop the alpha channel and write 24 bits: ImageMagick -type TrueColor -alpha off "
           "BMP3:name.bmp";
  }
  if (bits == 1 || bits == 2 || bits == 4) {
    return hint + "export the altitude image as 8-bit grey (GIMP Grayscale, Pillow mode L)";
  }
  return hint +
         "write 8-bit grey for the altitude image, 24-bit for the colour images (ImageMagick "
         "-type TrueColor -alpha off BMP3:name.bmp)";
}

std::string compressionHint(std::uint32_t compression) {
  const char* kind = nameOf(compression,
                            {{1, "RLE8"},
                             {2, "RLE4"},
                             {3, "BI_BITFIELDS"},
                             {4, "JPEG"},
                             {5, "PNG"},
                             {6, "BI_ALPHABITFIELDS"}},
                            "an unknown compression");
  return " is compressed (compression " + std::to_string(compression) + ", " + kind +
         "); write it uncompressed: ImageMagick -compress None, GIMP untick \"Run-Length "
         "Encoded\"";
}

std::string signatureHint(const std::uint8_t* header, std::size_t got) {
  if (got < 2) return " is shorter than the 2-byte signature \"BM\" of a BMP file";
  char found[32];
  std::snprintf(found, sizeof found, "0x%02X 0x%02X", header[0], header[1]);
  return std::string(" does not begin with \"BM\" but with the bytes ") + found +
         ": it is not a BMP file, whatever its name";
}

// The file's bytes from an offset onwards. A regular file is sought; a pipe can only be read
// forwards, which is enough, since the rows are taken in file order.
class ByteSource {
 public:
  ByteSource(std::FILE* in, std::uint64_t position, bool seekable)
      : in_(in), position_(position), seekable_(seekable) {}

  // Stands at offset; false once the file has ended before it (or cannot be read there).
  bool moveTo(std::uint64_t offset) {
    if (ended_) return false;
    if (offset == position_) return true;
    // A row's pad, or any gap in a pipe, is read and dropped: cheaper than a seek.
    if (offset > position_ && (!seekable_ || offset - position_ <= 16)) {
      std::uint8_t dropped[4096];
      while (position_ < offset) {
        const auto want =
            static_cast<std::size_t>(std::min<std::uint64_t>(sizeof dropped, offset - position_));
        const std::size_t got = std::fread(dropped, 1, want, in_);
        position_ += got;
        if (got != want) return end();
      }
      return true;
    }
    if (!seekable_ || offset > std::uint64_t{std::numeric_limits<off_t>::max()} ||
        ::fseeko(in_, static_cast<off_t>(offset), SEEK_SET) != 0) {
      return end();
    }
    position_ = offset;
    return true;
  }

  // Reads count bytes at offset into out; whatever the file does not hold reads as 255.
  void readOr255(std::uint64_t offset, std::uint8_t* out, std::size_t count) {
    std::size_t got = 0;
    if (moveTo(offset)) {
      got = std::fread(out, 1, count, in_);
      position_ += got;
      if (got != count) end();
    }
    std::memset(out + got, 255, count - got);
  }

 private:
  bool end() {
    ended_ = true;
    return false;
  }

  std::FILE* in_;
  std::uint64_t position_;
  bool seekable_;
  bool ended_ = false;
};

#ifdef QUORVEL_SSSE3_SWAP
// Turns whole groups of five pixels, 15 bytes a 16-byte load and store, as long as a whole
// load stays within the row; returns where it stopped. Each store's sixteenth byte is the next
// group's first, written again by it.
__attribute__((target("ssse3"))) std::size_t swapFivePixelsAtATime(const std::uint8_t* from,
                                                                   std::uint8_t* to,
                                                                   std::size_t rowBytes) {
  const __m128i order = _mm_setr_epi8(2, 1, 0, 5, 4, 3, 8, 7, 6, 11, 10, 9, 14, 13, 12, 15);
  std::size_t i = 0;
  for (; i + 16 <= rowBytes; i += 15) {
    const __m128i pixels = _mm_loadu_si128(reinterpret_cast<const __m128i*>(from + i));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(to + i), _mm_shuffle_epi8(pixels, order));
  }
  return i;
}

// Where each of 21 pixels' bytes comes from: blue and red change places.
constexpr std::array<std::uint8_t, 64> kTwentyOneTurned = [] {
  std::array<std::uint8_t, 64> order{};
  for (int k = 0; k < 63; ++k) order[k] = static_cast<std::uint8_t>(k + 2 - 2 * (k % 3));
  return order;
}();

// Turns 21 pixels a permutation, where any of 64 bytes can go anywhere (AVX-512 VBMI): a
// blocFile's row of 51 pixels in three, the last masked, so that no byte past the row is read
// or written, and with no byte-by-byte tail. The row's length is a whole number of pixels.
__attribute__((target("avx512f,avx512bw,avx512vbmi"))) void swapTwentyOnePixelsAtATime(
    const std::uint8_t* from, std::uint8_t* to, std::size_t rowBytes) {
  const __m512i turn = _mm512_loadu_si512(kTwentyOneTurned.data());
  for (std::size_t i = 0; i < rowBytes; i += 63) {
    const std::size_t bytes = std::min<std::size_t>(63, rowBytes - i);
    const __mmask64 mask = (std::uint64_t{1} << bytes) - 1;
    const __m512i pixels = _mm512_maskz_loadu_epi8(mask, from + i);
    _mm512_mask_storeu_epi8(to + i, mask, _mm512_maskz_permutexvar_epi8(mask, turn, pixels));
  }
}
#endif

// Copies rowBytes bytes of blue-green-red pixels as red-green-blue.
void copySwappingBlueAndRed(const std::uint8_t* from, std::uint8_t* to, std::size_t rowBytes) {
  std::size_t i = 0;
#ifdef QUORVEL_SSSE3_SWAP
  // 21 pixels a permutation where the processor has it, else five pixels a shuffle, four
  // times the speed of a byte at a time (any processor since 2006): at the largest size this
  // was some 40 ms of one core with shuffles, most of it in the short rows of blocFiles'
  // blocks.
  static const bool kPermute = __builtin_cpu_supports("avx512vbmi");
  static const bool kShuffle = __builtin_cpu_supports("ssse3");
  if (kPermute) {
    swapTwentyOnePixelsAtATime(from, to, rowBytes);
    return;
  }
  if (kShuffle) i = swapFivePixelsAtATime(from, to, rowBytes);
#endif
  for (; i < rowBytes; i += 3) {
    to[i] = from[i + 2];
    to[i + 1] = from[i + 1];
    to[i + 2] = from[i];
  }
}

// Large images are read by every core at once, each a band of rows with pread: the copies
// from the page cache and the first touches of the buffer's pages are most of a large
// load. Rows past the end of the file read as 255, as in order.
constexpr std::size_t kParallelReadBytes = std::size_t{16} << 20;

// Each read takes as many whole rows as fit in this many bytes, into a buffer from which
// they are copied into place: a system call costs microseconds on a virtual machine, and a
// row a call would be 20,000 calls for the largest map's colour images.
constexpr std::size_t kRowsReadBytes = std::size_t{1} << 20;

// Rows side by side in the file are read about this many bytes at a time, so that the buffer
// they are copied from stays in the processor's cache: the kernel's copy into a buffer of a
// megabyte, cold again by the next band, cost as much as its copy of the whole map into the
// page cache. Each read still takes a whole row at least.
constexpr std::size_t kCachedReadBytes = std::size_t{128} << 10;

Failure outOfMemory(const std::string& fileName) {
  return Failure(ErrorKind::kMemory, "erreur: m\xe9moire insuffisante pour " + fileName + "\n");
}

// Bytes past the file's end read as 255: the first got of size bytes are the file's.
void fillPastEnd(std::uint8_t* bytes, std::size_t got, std::size_t size) {
  if (got < size) std::memset(bytes + got, 255, size - got);
}

// placeRow(y, from) puts row y, rowBytes bytes as the file holds them, into the pixels. Rows
// are read on up to cores threads; the calling thread's reads go through kept, a buffer of
// the caller's, and every other thread's through one of its own.
template <class PlaceRow>
void readRowsOnEveryCore(int fd, std::uint64_t rowsBegin, std::uint64_t stride,
                         std::size_t rowBytes, std::int32_t rows, const PlaceRow& placeRow,
                         unsigned cores, ReadRings* rings, std::vector<std::uint8_t>& kept) {
  // No row, no buffer: an image of no rows may still claim rows of gigabytes.
  if (rows <= 0) return;
  // A row of more than a megabyte is read on this thread, where a buffer that cannot be had is
  // reported rather than ending the program.
  if (rowBytes > kRowsReadBytes) cores = 1;
  const auto readBand = [&](std::int32_t first, std::int32_t last,
                            std::vector<std::uint8_t>& buffer) {
    if (first >= last) return;
    if (stride > kRowsReadBytes || stride > 4 * rowBytes) {
      // Rows far apart, or mostly outside the keep window (a world's tile of a wide file):
      // each on its own, many with one call where the system has read rings.
      const std::size_t batch =
          std::min<std::size_t>(std::clamp<std::size_t>(kRowsReadBytes / rowBytes, 1, kRingPieces),
                                static_cast<std::size_t>(last - first));
      // Up to a megabyte in the band's buffer; a longer row has a buffer of its own, freed
      // once read.
      std::vector<std::uint8_t> own;
      std::vector<std::uint8_t>& batchRows = batch * rowBytes <= kRowsReadBytes ? buffer : own;
      if (batchRows.size() < batch * rowBytes) batchRows.resize(batch * rowBytes);
      std::array<PieceRead, kRingPieces> pieces{};
      std::array<std::int64_t, kRingPieces> got{};
      for (std::int32_t y = first; y < last;) {
        const auto count = static_cast<std::size_t>(
            std::min<std::int64_t>(static_cast<std::int64_t>(batch), last - y));
        for (std::size_t r = 0; r < count; ++r) {
          pieces[r] = {
              batchRows.data() + r * rowBytes, rowBytes,
              rowsBegin + static_cast<std::uint64_t>(y + static_cast<std::int32_t>(r)) * stride};
        }
        const bool batched =
            rings != nullptr && rings->readPieces(fd, {pieces.data(), count}, {got.data(), count});
        for (std::size_t r = 0; r < count; ++r, ++y) {
          std::uint8_t* const row = pieces[r].to;
          // A row the ring read short (the file's end, an error) is read again on its own.
          if (!batched || got[r] != static_cast<std::int64_t>(rowBytes)) {
            fillPastEnd(row, readAt(fd, row, rowBytes, pieces[r].offset), rowBytes);
          }
          placeRow(y, row);
        }
      }
      return;
    }
    const std::size_t rowsPerRead = std::max<std::size_t>(1, kCachedReadBytes / stride);
    std::vector<std::uint8_t>& chunk = buffer;
    const std::size_t chunkBytes =
        std::min<std::size_t>(rowsPerRead, static_cast<std::size_t>(last - first)) * stride;
    if (chunk.size() < chunkBytes) resizeOnReadyPages(chunk, chunkBytes);
    for (std::int32_t y = first; y < last;) {
      const auto count = static_cast<std::int32_t>(
          std::min<std::size_t>(rowsPerRead, static_cast<std::size_t>(last - y)));
      // The last row's padding is never needed.
      const std::size_t wanted = static_cast<std::size_t>(count - 1) * stride + rowBytes;
      const std::size_t got =
          readAt(fd, chunk.data(), wanted, rowsBegin + static_cast<std::uint64_t>(y) * stride);
      // Past the file's end every row reads 255, as one read on its own does.
      fillPastEnd(chunk.data(), got, wanted);
      for (std::int32_t r = 0; r < count; ++r, ++y) {
        placeRow(y, chunk.data() + static_cast<std::size_t>(r) * stride);
      }
    }
  };
  const auto bands = static_cast<std::int32_t>(std::clamp(cores, 1u, 8u));
  const auto bandStart = [&](std::int32_t band) {
    return static_cast<std::int32_t>(std::int64_t{rows} * band / bands);
  };
  const std::thread::id caller = std::this_thread::get_id();
  runJobs(bands, bands, [&](int band) {
    std::vector<std::uint8_t> own;
    readBand(bandStart(band), bandStart(band + 1),
             std::this_thread::get_id() == caller ? kept : own);
  });
}

}  // namespace

BmpTexture::BmpTexture(std::string name, const KeepWindow& keep, PixelBuffers* buffers,
                       NoteSink notes, ReadRings* rings)
    : Texture(std::move(name), std::move(notes)), keep_(keep), buffers_(buffers), rings_(rings) {
  load();
}

void BmpTexture::loadWindow(const KeepWindow& keep) {
  keep_ = keep;
  load();
}

void BmpTexture::load() {
  errno = 0;
  const FileHandle file(std::fopen(fileName.c_str(), "rb"));
  if (!file) {
    throw Failure(ErrorKind::kOpen, "erreur lors de l'ouverture du fichier " + fileName + "\n",
                  fileName + ": " + std::strerror(errno) + "\n");
  }
  std::FILE* in = file.get();
  const std::string invalid = fileName + " n'est pas un fichier bmp valide\n";
  const auto refuse = [&](const std::string& why) {
    return Failure(ErrorKind::kFormat, invalid, fileName + why + "\n");
  };

  // A field counts only when the file holds all of it: no check runs on bytes never read,
  // and the checks come in file order, so a file cut short gets the message of its field.
  std::uint8_t header[kHeaderBytes];
  const std::size_t got = std::fread(header, 1, sizeof header, in);
  const std::string cutShort =
      " ends inside its headers, after " + std::to_string(got) + " bytes: the file is cut short";
  if (got < 2 || loadLe16(header) != kSignature) {
    throw Failure(ErrorKind::kFormat, fileName + " n'est pas un fichier bmp\n",
                  fileName + signatureHint(header, got) + "\n");
  }
  if (got < 18) throw refuse(cutShort);
  const std::uint32_t infoHeaderBytes = loadLe32(header + 14);
  if (infoHeaderBytes != kInfoHeaderBytes) throw refuse(infoHeaderHint(infoHeaderBytes));
  if (got < 30) throw refuse(cutShort);  // width, height, planes, bit count
  const std::uint16_t bitCount = loadLe16(header + 28);
  if (bitCount != 8 && bitCount != 24) {
    throw Failure(ErrorKind::kFormat, fileName + " n'est pas un fichier bmp 8 ou 24 bits\n",
                  fileName + bitCountHint(bitCount) + "\n");
  }
  if (got < 34) throw refuse(cutShort);
  const std::uint32_t compression = loadLe32(header + 30);
  if (compression != 0) {
    throw Failure(ErrorKind::kFormat, fileName + " est un fichier bmp comprim\xe9\n",
                  fileName + compressionHint(compression) + "\n");
  }
  if (got < kHeaderBytes) throw refuse(cutShort);

  fileWidth = loadLeI32(header + 18);
  fileHeight = loadLeI32(header + 22);
  bitsPerPixel = bitCount;
  // A negative height marks a top-down file, whose rows this reader would give upside down.
  // The size is checked before anything is allocated, unsigned: 3 * (2^31 - 1)^2 overflows
  // int64_t.
  if (fileHeight < 0) {
    throw refuse(" is stored top-down (height " + std::to_string(fileHeight) +
                 "); export it bottom-up, the usual BMP row order");
  }
  if (fileWidth < 0) throw refuse(" has a negative width (" + std::to_string(fileWidth) + ")");
  const std::int32_t pixelBytes = bitCount / 8;
  const std::uint64_t claimedBytes =
      static_cast<std::uint64_t>(fileWidth) * static_cast<std::uint64_t>(fileHeight) * pixelBytes;
  if (claimedBytes > std::uint64_t{std::numeric_limits<std::int32_t>::max()}) {
    throw refuse(" claims " + std::to_string(fileWidth) + " x " + std::to_string(fileHeight) +
                 " pixels, " + std::to_string(claimedBytes) +
                 " bytes, more than an image may hold (2147483647)");
  }

  // The colour table has as many entries as "colours used" says, when that is 1 to 256; the
  // pixel rows begin where the file says, unless that is inside the table or past the end.
  int entries = 0;
  if (bitCount == 8) {
    const std::uint32_t coloursUsed = loadLe32(header + 46);
    entries = coloursUsed >= 1 && coloursUsed <= kTableEntries ? static_cast<int>(coloursUsed)
                                                               : kTableEntries;
    std::uint8_t table[kTableEntries * 4];
    const auto tableBytes = static_cast<std::size_t>(4 * entries);
    if (std::fread(table, 1, tableBytes, in) != tableBytes) {
      throw refuse(" ends inside its colour table of " + std::to_string(entries) +
                   " entries: the file is cut short");
    }
    palette.assign(kTableEntries * 3, 0);
    for (std::size_t i = 0; i < static_cast<std::size_t>(entries); ++i) {
      palette[3 * i + 0] = table[4 * i + 2];
      palette[3 * i + 1] = table[4 * i + 1];
      palette[3 * i + 2] = table[4 * i + 0];
    }
  }
  // A file that can be sought has a known size; a pipe is read up to the rows, and one that
  // ends before its pixel-data offset is refused, since its bytes after the table are gone.
  const std::uint64_t tableEnd = kHeaderBytes + 4 * static_cast<std::uint64_t>(entries);
  const std::uint32_t dataOffset = loadLe32(header + 10);
  const off_t end = ::fseeko(in, 0, SEEK_END) == 0 ? ::ftello(in) : -1;
  const bool seekable = end >= 0;
  const std::uint64_t rowsBegin =
      dataOffset >= tableEnd && (!seekable || dataOffset <= static_cast<std::uint64_t>(end))
          ? dataOffset
          : tableEnd;
  ByteSource source(in, seekable ? static_cast<std::uint64_t>(end) : tableEnd, seekable);
  if (!seekable && !source.moveTo(rowsBegin)) {
    throw refuse(" ends before its pixel-data offset " + std::to_string(dataOffset) +
                 " and cannot be read again from its colour table: give a regular file");
  }

  const auto [keptWidth, keptHeight] = keptSize(keep_, fileWidth, fileHeight);
  width = keptWidth;
  height = keptHeight;
  x0 = keep_.x0;
  y0 = keep_.y0;
  bytesPerPixel = pixelBytes;
  const bool blocked =
      keep_.blockColumns > 1 && width > 1 && (width - 1) % (keep_.blockColumns - 1) == 0;
  blockColumns = blocked ? keep_.blockColumns : 0;
  const std::size_t rowBytes = static_cast<std::size_t>(width) * pixelBytes;
  try {
    const std::size_t blocks =
        blocked ? static_cast<std::size_t>((width - 1) / (blockColumns - 1)) : 0;
    const std::size_t bytes =
        (blocked ? blocks * static_cast<std::size_t>(blockColumns) * pixelBytes : rowBytes) *
        static_cast<std::size_t>(height);
    if (pixels.size() == bytes) {
      // A window read again into the same record: every byte is written below.
    } else if (buffers_ != nullptr) {
      buffers_->resize(pixels, bytes, fileName);
    } else {
      resizeOnReadyPages(pixels, bytes);
    }
  } catch (const std::bad_alloc&) {
    throw outOfMemory(fileName);
  }

  // Only the kept rows and columns are read; the stored blue-green-red becomes
  // red-green-blue. Bytes past the end read as 255.
  const std::uint64_t fileRowBytes = static_cast<std::uint64_t>(fileWidth) * pixelBytes;
  const std::uint64_t stride = fileRowBytes + (4 - fileRowBytes % 4) % 4;
  const std::uint64_t windowBegin = rowsBegin + static_cast<std::uint64_t>(y0) * stride +
                                    static_cast<std::uint64_t>(x0) * pixelBytes;
  const auto copy = [&](const std::uint8_t* from, std::uint8_t* to, std::size_t bytes) {
    if (pixelBytes == 3) {
      copySwappingBlueAndRed(from, to, bytes);
    } else {
      std::memcpy(to, from, bytes);
    }
  };
  const auto placeRow = [&](std::int32_t y, const std::uint8_t* from) {
    if (!blocked) {
      copy(from, pixels.data() + static_cast<std::size_t>(y) * rowBytes, rowBytes);
      return;
    }
    const auto blockRowBytes = static_cast<std::size_t>(blockColumns) * pixelBytes;
    const std::size_t blockBytes = blockRowBytes * static_cast<std::size_t>(height);
    const std::size_t step = blockRowBytes - pixelBytes;  // neighbours share a column
    std::uint8_t* to = pixels.data() + static_cast<std::size_t>(y) * blockRowBytes;
    for (std::size_t at = 0; at + blockRowBytes <= rowBytes; at += step, to += blockBytes) {
      copy(from + at, to, blockRowBytes);
    }
  };
  // A file that can be sought is read a megabyte of rows at a time with pread, which a window
  // of a much wider file or a band read again and again needs; a pipe through the stream.
  // A row buffer that cannot be had is reported as the pixels' buffer is.
  try {
    if (seekable && rowBytes > 0) {
      // Rows that begin past the file's end are 255 in any layout: filled at once, not a row at
      // a time (a file cut short may claim millions of rows).
      const auto fileEnd = static_cast<std::uint64_t>(end);
      const std::int32_t present = fileEnd <= windowBegin
                                       ? 0
                                       : static_cast<std::int32_t>(std::min<std::uint64_t>(
                                             static_cast<std::uint64_t>(height),
                                             (fileEnd - windowBegin + stride - 1) / stride));
      if (present < height) {
        const std::size_t missing = static_cast<std::size_t>(height - present);
        const std::size_t rowStep =
            blocked ? static_cast<std::size_t>(blockColumns) * pixelBytes : rowBytes;
        const std::size_t regionBytes = rowStep * static_cast<std::size_t>(height);
        for (std::size_t region = 0; region < pixels.size(); region += regionBytes) {
          std::memset(pixels.data() + region + static_cast<std::size_t>(present) * rowStep, 255,
                      missing * rowStep);
        }
      }
      const unsigned cores =
          pixels.size() >= kParallelReadBytes ? static_cast<unsigned>(workerSlots()) : 1u;
      readRowsOnEveryCore(::fileno(in), windowBegin, stride, rowBytes, present, placeRow, cores,
                          rings_, rowBuffer_);
    } else if (rowBytes > 0 && height > 0) {
      std::vector<std::uint8_t> row(rowBytes);
      for (std::int32_t y = 0; y < height; ++y) {
        source.readOr255(windowBegin + static_cast<std::uint64_t>(y) * stride, row.data(),
                         rowBytes);
        placeRow(y, row.data());
      }
    }
  } catch (const std::bad_alloc&) {
    throw outOfMemory(fileName);
  }
  if (bitCount == 8 && !useGreyLevels(palette, entries, pixels)) {
    note(fileName + ": the colour table is not grey, so its colour indices are used as altitudes");
  }
}

}  // namespace quorvel
