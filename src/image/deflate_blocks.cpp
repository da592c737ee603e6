#include "image/deflate_blocks.h"

#include <libdeflate.h>

#include <bit>
#include <cstring>
#include <new>

namespace quorvel {

void undoFloatPredictor(std::uint8_t* row, std::size_t count, int sampleBytes,
                        std::uint8_t* scratch) {
  const std::size_t bytes = count * static_cast<std::size_t>(sampleBytes);
  // The running sum of the row's bytes, modulo 256: one chain through the row.
  std::uint8_t sum = 0;
  for (std::size_t i = 0; i < bytes; ++i) {
    sum = static_cast<std::uint8_t>(sum + row[i]);
    scratch[i] = sum;
  }
  // Plane p holds byte p of each sample, the most significant first. A float, the usual
  // case, is its bits as a number, put together a word at a time in a loop the compiler
  // vectorises; in memory that number is the sample in the host's order.
  if (sampleBytes == 4) {
    const std::uint8_t* planes[4] = {scratch, scratch + count, scratch + 2 * count,
                                     scratch + 3 * count};
    for (std::size_t s = 0; s < count; ++s) {
      const std::uint32_t bits = std::uint32_t{planes[0][s]} << 24 |
                                 std::uint32_t{planes[1][s]} << 16 |
                                 std::uint32_t{planes[2][s]} << 8 | planes[3][s];
      std::memcpy(row + 4 * s, &bits, 4);
    }
    return;
  }
  for (int p = 0; p < sampleBytes; ++p) {
    const std::uint8_t* plane = scratch + static_cast<std::size_t>(p) * count;
    const int at = std::endian::native == std::endian::little ? sampleBytes - 1 - p : p;
    std::uint8_t* out = row + at;
    for (std::size_t s = 0; s < count; ++s) out[s * static_cast<std::size_t>(sampleBytes)] = plane[s];
  }
}

struct BlockInflater::Decompressor {
  libdeflate_decompressor* state;
};

BlockInflater::BlockInflater()
    : decompressor_(std::make_unique<Decompressor>(Decompressor{libdeflate_alloc_decompressor()})) {
  if (decompressor_->state == nullptr) throw std::bad_alloc();
}

BlockInflater::~BlockInflater() { libdeflate_free_decompressor(decompressor_->state); }

bool BlockInflater::inflate(const std::uint8_t* in, std::size_t inBytes, std::uint8_t* out,
                            std::size_t outBytes) {
  std::size_t written = 0;
  return libdeflate_zlib_decompress(decompressor_->state, in, inBytes, out, outBytes, &written) ==
             LIBDEFLATE_SUCCESS &&
         written == outBytes;
}

}  // namespace quorvel
