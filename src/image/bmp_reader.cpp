#include "image/bmp_reader.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <limits>
#include <new>
#include <utility>

#include "failure.h"
#include "file_handle.h"

namespace quorvel {
namespace {

constexpr std::uint16_t kSignature = 19778;  // "BM"
constexpr std::int32_t kInfoHeaderBytes = 40;
constexpr int kPaletteEntries = 256;

// Each returns false when the file ends inside the field: the caller reports it instead of
// using a value that was never read.
bool readLe16(std::FILE* file, std::uint16_t& value) {
  unsigned char b[2];
  if (std::fread(b, 1, sizeof b, file) != sizeof b) return false;
  value = static_cast<std::uint16_t>(b[0] | b[1] << 8);
  return true;
}

bool readLe32(std::FILE* file, std::int32_t& value) {
  unsigned char b[4];
  if (std::fread(b, 1, sizeof b, file) != sizeof b) return false;
  value = static_cast<std::int32_t>(b[0] | b[1] << 8 | b[2] << 16 | std::uint32_t{b[3]} << 24);
  return true;
}

bool skip(std::FILE* file, std::size_t count) {
  unsigned char b[20];
  return count <= sizeof b && std::fread(b, 1, count, file) == count;
}

// Reads count bytes into out; whatever the file cannot supply reads as 255. Returns false
// once the file has run out, so the caller stops asking.
bool readOr255(std::FILE* file, std::uint8_t* out, std::size_t count) {
  const std::size_t got = std::fread(out, 1, count, file);
  if (got == count) return true;
  std::memset(out + got, 255, count - got);
  return false;
}

}  // namespace

BmpTexture::BmpTexture(std::string name) : Texture(std::move(name)) { load(); }

void BmpTexture::load() {
  const FileHandle file(std::fopen(fileName.c_str(), "rb"));
  if (!file) throw Failure("erreur lors de l'ouverture du fichier " + fileName + "\n");
  std::FILE* in = file.get();
  const std::string invalid = fileName + " n'est pas un fichier bmp valide\n";

  std::uint16_t signature = 0;
  if (!readLe16(in, signature) || signature != kSignature) {
    throw Failure(fileName + " n'est pas un fichier bmp\n");
  }
  if (!skip(in, 4 + 2 + 2 + 4)) throw Failure(invalid);  // file size, reserved x2, data offset

  std::int32_t infoHeaderBytes = 0;
  if (!readLe32(in, infoHeaderBytes) || infoHeaderBytes != kInfoHeaderBytes) throw Failure(invalid);

  std::int32_t fileWidth = 0;
  std::int32_t fileHeight = 0;
  std::uint16_t planes = 0;
  std::uint16_t bitCount = 0;
  if (!readLe32(in, fileWidth) || !readLe32(in, fileHeight) || !readLe16(in, planes) ||
      !readLe16(in, bitCount)) {
    throw Failure(invalid);
  }
  width = fileWidth;
  height = fileHeight;
  if (bitCount != 8 && bitCount != 24) {
    throw Failure(fileName + " n'est pas un fichier bmp 8 ou 24 bits\n");
  }
  bitsPerPixel = bitCount;

  std::int32_t compression = 0;
  if (!readLe32(in, compression)) throw Failure(invalid);
  if (compression != 0) throw Failure(fileName + " est un fichier bmp comprim\xe9\n");
  if (!skip(in, 5 * 4)) throw Failure(invalid);  // image size, resolutions, colour counts

  // A negative height would mean a top-down file, which this reader does not turn. The size is
  // checked before anything is allocated, unsigned: 3 * (2^31 - 1)^2 overflows int64_t.
  if (width < 0 || height < 0) throw Failure(invalid);
  const std::int32_t pixelBytes = bitCount / 8;
  const std::uint64_t bufferBytes =
      static_cast<std::uint64_t>(width) * static_cast<std::uint64_t>(height) * pixelBytes;
  if (bufferBytes > std::uint64_t{std::numeric_limits<std::int32_t>::max()}) throw Failure(invalid);

  try {
    if (bitCount == 8) {
      unsigned char table[kPaletteEntries * 4];
      if (std::fread(table, 1, sizeof table, in) != sizeof table) throw Failure(invalid);
      palette.resize(kPaletteEntries * 3);
      for (int i = 0; i < kPaletteEntries; ++i) {
        palette[3 * i + 0] = table[4 * i + 2];
        palette[3 * i + 1] = table[4 * i + 1];
        palette[3 * i + 2] = table[4 * i + 0];
      }
    }
    pixels.resize(static_cast<std::size_t>(bufferBytes));
  } catch (const std::bad_alloc&) {
    throw Failure("erreur: m\xe9moire insuffisante pour " + fileName + "\n");
  }
  bytesPerPixel = pixelBytes;
  pixelFormat = bitCount == 8 ? kPixelFormatLuminance : kPixelFormatRgb;

  // Rows are read whole, straight into their place, and the stored blue-green-red turned to
  // red-green-blue afterwards: the same bytes as reading one at a time, 255 fill included.
  const std::size_t rowBytes = static_cast<std::size_t>(width) * pixelBytes;
  const std::size_t pad = (4 - rowBytes % 4) % 4;
  bool more = true;
  if (rowBytes > 0) {
    for (std::int32_t y = 0; y < height; ++y) {
      std::uint8_t* row = pixels.data() + static_cast<std::size_t>(y) * rowBytes;
      if (more) {
        std::uint8_t padBytes[3];
        more = readOr255(in, row, rowBytes) && readOr255(in, padBytes, pad);
      } else {
        std::memset(row, 255, rowBytes);
      }
      if (pixelBytes == 3) {
        for (std::size_t i = 0; i < rowBytes; i += 3) std::swap(row[i], row[i + 2]);
      }
    }
  }
}

}  // namespace quorvel
