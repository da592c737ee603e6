// Arbitrary bytes as a BMP file. Loading either gives exactly the record that a plain
// byte-at-a-time reading of the accepted format gives, or throws the Failure with exactly the
// message that reading predicts, and a window of a loaded file holds its pixels; anything
// else (a crash, a sanitizer report, another exception, a different record or message) is a
// fault.

#include <sys/mman.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "failure.h"
#include "image/bmp_reader.h"

namespace {

// Inputs that would make the reader fill more pixels than this are left out: filling a buffer
// of hundreds of megabytes with 255 teaches the fuzzer nothing about parsing. Larger claims
// that the reader refuses before allocating stay in.
constexpr std::int64_t kMaxPixels = std::int64_t{16} << 20;

// The file lives in memory and is opened by name, as the tool opens its images.
int memoryFile = -1;
std::string memoryFileName;

std::uint32_t le(const std::uint8_t* data, std::size_t offset, int bytes) {
  std::uint32_t value = 0;
  for (int i = 0; i < bytes; ++i) value |= std::uint32_t{data[offset + i]} << (8 * i);
  return value;
}

struct Expected {
  std::string message;  // empty when the file loads
  std::int32_t width = 0;
  std::int32_t height = 0;
  std::int32_t bitsPerPixel = 0;
  std::vector<std::uint8_t> palette;
  std::size_t rowsBegin = 0;              // where the pixel rows start in the file
  std::array<std::uint8_t, 256> level{};  // the altitude of each 8-bit index
};

// The accepted format's headers read straight from the bytes, every field checked in file
// order.
Expected expectedLoad(const std::uint8_t* data, std::size_t size, const std::string& name) {
  Expected e;
  const std::string invalid = name + " n'est pas un fichier bmp valide\n";
  if (size < 2 || le(data, 0, 2) != 19778) {
    e.message = name + " n'est pas un fichier bmp\n";
    return e;
  }
  if (size < 18 || le(data, 14, 4) != 40 || size < 30) {
    e.message = invalid;
    return e;
  }
  const std::uint32_t bitCount = le(data, 28, 2);
  if (bitCount != 8 && bitCount != 24) {
    e.message = name + " n'est pas un fichier bmp 8 ou 24 bits\n";
    return e;
  }
  if (size < 34) {
    e.message = invalid;
    return e;
  }
  if (le(data, 30, 4) != 0) {
    e.message = name + " est un fichier bmp comprim\xe9\n";
    return e;
  }
  e.width = static_cast<std::int32_t>(le(data, 18, 4));
  e.height = static_cast<std::int32_t>(le(data, 22, 4));
  e.bitsPerPixel = static_cast<std::int32_t>(bitCount);
  const std::uint64_t bytesPerPixel = bitCount / 8;
  // Unsigned: 3 * (2^31 - 1)^2 overflows int64_t. A negative size wraps here, but is refused
  // before this value is looked at.
  const std::uint64_t bufferBytes =
      static_cast<std::uint64_t>(e.width) * static_cast<std::uint64_t>(e.height) * bytesPerPixel;
  if (size < 54 || e.width < 0 || e.height < 0 ||
      bufferBytes > std::uint64_t{std::numeric_limits<std::int32_t>::max()}) {
    e.message = invalid;
    return e;
  }
  // An 8-bit file's table has "colours used" entries when that is 1 to 256, else 256.
  std::size_t entries = 0;
  if (bitCount == 8) {
    const std::uint32_t used = le(data, 46, 4);
    entries = used >= 1 && used <= 256 ? used : 256;
  }
  const std::size_t tableEnd = 54 + 4 * entries;
  if (size < tableEnd) {
    e.message = invalid;
    return e;
  }
  if (bitCount == 8) {
    e.palette.assign(768, 0);
    bool grey = true;
    for (std::size_t i = 0; i < entries; ++i) {
      e.palette[3 * i + 0] = data[54 + 4 * i + 2];
      e.palette[3 * i + 1] = data[54 + 4 * i + 1];
      e.palette[3 * i + 2] = data[54 + 4 * i + 0];
      grey = grey && data[54 + 4 * i] == data[54 + 4 * i + 1] &&
             data[54 + 4 * i] == data[54 + 4 * i + 2];
    }
    // A grey table gives each index below its length that entry's level; others keep theirs.
    for (std::size_t i = 0; i < 256; ++i) {
      e.level[i] = grey && i < entries ? e.palette[3 * i] : static_cast<std::uint8_t>(i);
    }
  }
  // The rows begin at the pixel-data offset when it lies between the table's end and the end
  // of the file, else right after the table.
  const std::uint32_t offset = le(data, 10, 4);
  e.rowsBegin = offset >= tableEnd && offset <= size ? offset : tableEnd;
  return e;
}

void check(bool condition, const char* what) {
  if (!condition) {
    // On standard output: .ci/fuzz closes the target's standard error.
    std::printf("bmp_reader_fuzz: %s\n", what);
    std::fflush(stdout);
    std::abort();
  }
}

// True when all count bytes equal value; memcmp of the range against itself shifted by one
// keeps this fast on the tens of megabytes an image cut short can claim.
bool allEqual(const std::uint8_t* bytes, std::size_t count, std::uint8_t value) {
  return count == 0 || (bytes[0] == value && std::memcmp(bytes, bytes + 1, count - 1) == 0);
}

// Compares the loaded pixels with the file read one byte at a time from where the rows begin:
// pad bytes skipped, blue-green-red turned to red-green-blue, 255 for each byte past the end,
// and an 8-bit index turned to its altitude.
bool pixelsMatch(const quorvel::Texture& texture, const std::uint8_t* data, std::size_t size,
                 const Expected& expected) {
  const std::size_t rowsBegin = expected.rowsBegin;
  const std::size_t bytesPerPixel = texture.bitsPerPixel / 8;
  const std::size_t rowBytes = static_cast<std::size_t>(texture.width) * bytesPerPixel;
  const std::size_t stride = rowBytes + (4 - rowBytes % 4) % 4;
  if (texture.pixels.size() != rowBytes * texture.height) return false;
  // A zero width may come with two billion rows of nothing; there is nothing to compare.
  if (rowBytes == 0) return true;
  const std::size_t available = size - rowsBegin;
  const auto fileByte = [&](std::size_t i) {
    const std::uint8_t byte = i < available ? data[rowsBegin + i] : std::uint8_t{255};
    return bytesPerPixel == 1 ? expected.level[byte] : byte;
  };
  for (std::size_t y = 0; y < static_cast<std::size_t>(texture.height); ++y) {
    const std::uint8_t* row = texture.pixels.data() + y * rowBytes;
    const std::size_t start = y * stride;
    // The pixels that touch the file's bytes one at a time; past them the row is all 255.
    std::size_t x = 0;
    if (start < available) {
      const std::size_t touched = (available - start + bytesPerPixel - 1) / bytesPerPixel;
      const std::size_t end = std::min(rowBytes, touched * bytesPerPixel);
      for (; x < end; x += bytesPerPixel) {
        for (std::size_t c = 0; c < bytesPerPixel; ++c) {
          if (row[x + c] != fileByte(start + x + bytesPerPixel - 1 - c)) return false;
        }
      }
    }
    const std::uint8_t missing = bytesPerPixel == 1 ? expected.level[255] : 255;
    if (!allEqual(row + x, rowBytes - x, missing)) return false;
  }
  return true;
}

// A window of the file, placed by the input's last bytes, holds the whole image's pixels at
// its place, as a world's tile reads them.
void checkWindow(const quorvel::Texture& whole, const std::uint8_t* data, std::size_t size) {
  if (whole.width == 0 || whole.height == 0 || size < 4) return;
  const std::int32_t x0 = data[size - 1] % whole.width;
  const std::int32_t y0 = data[size - 2] % whole.height;
  const std::int32_t columns = 1 + data[size - 3] % (whole.width - x0);
  const std::int32_t rows = 1 + data[size - 4] % (whole.height - y0);
  const quorvel::BmpTexture window(memoryFileName,
                                   quorvel::KeepWindow{columns, rows, false, x0, y0});
  check(window.width == columns && window.height == rows && window.x0 == x0 && window.y0 == y0,
        "wrong window");
  const std::size_t pixelBytes = static_cast<std::size_t>(whole.bytesPerPixel);
  const std::size_t rowBytes = static_cast<std::size_t>(columns) * pixelBytes;
  for (std::int32_t y = 0; y < rows; ++y) {
    const std::uint8_t* from =
        whole.pixels.data() +
        (static_cast<std::size_t>(y0 + y) * whole.width + static_cast<std::size_t>(x0)) *
            pixelBytes;
    check(std::memcmp(window.pixels.data() + y * rowBytes, from, rowBytes) == 0,
          "a window's pixels differ from the whole image's");
  }
  // The same window in blocks of 2 to 5 columns that overlap by one, where its width is one
  // more than a multiple of the step: each block's rows are the window's columns it covers.
  // A third load of millions of block rows would only repeat the same copies past the time
  // limit.
  const std::int32_t blockColumns = 2 + data[size - 3] % 4;
  const bool fits = columns > 1 && (columns - 1) % (blockColumns - 1) == 0;
  const std::int64_t blockRows =
      fits ? std::int64_t{rows} * ((columns - 1) / (blockColumns - 1)) : rows;
  if (blockRows > (std::int64_t{1} << 20)) return;
  const quorvel::BmpTexture blocks(
      memoryFileName, quorvel::KeepWindow{columns, rows, false, x0, y0, blockColumns});
  check(blocks.blockColumns == (fits ? blockColumns : 0), "wrong block layout");
  if (!fits) {
    check(blocks.pixels == window.pixels, "a window not in blocks differs");
    return;
  }
  const std::size_t blockRowBytes = static_cast<std::size_t>(blockColumns) * pixelBytes;
  std::size_t at = 0;
  for (std::int32_t x = 0; x + blockColumns <= columns; x += blockColumns - 1) {
    for (std::int32_t y = 0; y < rows; ++y, at += blockRowBytes) {
      check(at + blockRowBytes <= blocks.pixels.size() &&
                std::memcmp(blocks.pixels.data() + at,
                            window.pixels.data() + y * rowBytes + x * pixelBytes,
                            blockRowBytes) == 0,
            "a block's pixels differ from the window's");
    }
  }
  check(at == blocks.pixels.size(), "blocks of the wrong size");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int*, char***) {
  memoryFile = ::memfd_create("bmp", 0);
  check(memoryFile >= 0, "memfd_create failed");
  memoryFileName = "/proc/self/fd/" + std::to_string(memoryFile);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
  if (size >= 30) {
    const std::int64_t width = static_cast<std::int32_t>(le(data, 18, 4));
    const std::int64_t height = static_cast<std::int32_t>(le(data, 22, 4));
    const std::int64_t bytesPerPixel = le(data, 28, 2) == 8 ? 1 : 3;
    const std::int64_t pixels = width * height;
    if (width > 0 && height > 0 && pixels > kMaxPixels &&
        pixels <= std::numeric_limits<std::int32_t>::max() / bytesPerPixel) {
      return -1;
    }
  }
  check(::ftruncate(memoryFile, 0) == 0, "ftruncate failed");
  check(::pwrite(memoryFile, data, size, 0) == static_cast<ssize_t>(size), "pwrite failed");

  const Expected expected = expectedLoad(data, size, memoryFileName);
  try {
    const quorvel::BmpTexture texture(memoryFileName);
    check(expected.message.empty(), "a file that must be refused was loaded");
    check(texture.width == expected.width && texture.height == expected.height,
          "wrong width or height");
    check(texture.bitsPerPixel == expected.bitsPerPixel, "wrong bit depth");
    check(texture.bytesPerPixel == expected.bitsPerPixel / 8, "wrong bytes per pixel");
    check(texture.fileWidth == expected.width && texture.fileHeight == expected.height,
          "wrong file size");
    check(texture.palette == expected.palette, "wrong colour table");
    check(pixelsMatch(texture, data, size, expected), "wrong pixels");
    checkWindow(texture, data, size);
  } catch (const quorvel::Failure& failure) {
    check(!expected.message.empty(), "a valid file was refused");
    check(failure.what() == expected.message, "wrong message");
  }
  return 0;
}
