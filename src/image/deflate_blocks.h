#pragma once

// The blocks of the elevation models' usual layout, DEFLATE with the floating-point predictor
// (the way global 30 m models are distributed), decoded here rather than by GDAL's TIFF
// library: that library undoes the predictor a byte at a time through a copy of each row,
// several times the cost of inflating it, and more than the whole map's encoding of those
// pixels. Inflating is libdeflate's.

#include <cstddef>
#include <cstdint>
#include <memory>

namespace quorvel {

// Undoes the floating-point predictor in one row of count samples of sampleBytes bytes (4 or
// 8) and writes samples first to first + kept - 1 to out, in the host's order: the row holds
// the planes of its samples' bytes, the most significant plane first, each byte stored as its
// difference from the byte before it in the row. The row is left holding the planes.
void undoFloatPredictor(std::uint8_t* row, std::size_t count, int sampleBytes, std::size_t first,
                        std::size_t kept, std::uint8_t* out);

// Inflates zlib streams; one per thread.
class BlockInflater {
 public:
  BlockInflater();
  ~BlockInflater();
  BlockInflater(const BlockInflater&) = delete;
  BlockInflater& operator=(const BlockInflater&) = delete;

  // Inflates the zlib stream in[0, inBytes) into out, which it must fill exactly; false when
  // the stream is corrupt, ends early or holds more.
  [[nodiscard]] bool inflate(const std::uint8_t* in, std::size_t inBytes, std::uint8_t* out,
                             std::size_t outBytes);

 private:
  struct Decompressor;
  std::unique_ptr<Decompressor> decompressor_;
};

}  // namespace quorvel
