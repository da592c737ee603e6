#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "image/pixel_buffer.h"
#include "image/read_ring.h"
#include "image/texture.h"

namespace quorvel {

// An uncompressed 8- or 24-bit BMP with the 40-byte info header. Construction loads the file,
// keeping only the pixels of keep, or throws a Failure naming it whose hint says what was
// found and what to do. An 8-bit image holds altitudes: a grey colour table's levels, or the
// stored indices (with a warning on standard error) when the table is not grey.
class BmpTexture final : public Texture {
 public:
  // With buffers, the pixels go into the buffer made ready for this file, if any; with rings,
  // rows far apart are read many with one system call where the system has rings.
  explicit BmpTexture(std::string name, const KeepWindow& keep = {},
                      PixelBuffers* buffers = nullptr, NoteSink notes = {},
                      ReadRings* rings = nullptr);
  void load() override;

  // Loads the file again, keeping the pixels of keep, into the same pixels: a buffer of the
  // same size is used again without being cleared.
  void loadWindow(const KeepWindow& keep);

 private:
  KeepWindow keep_;
  PixelBuffers* buffers_;
  ReadRings* rings_;
  // Rows read before they are put in place, kept for the next loadWindow: a map reads its
  // colour images a band at a time, hundreds of reads, and a megabyte of fresh memory each
  // would cost more page faults than the reads.
  std::vector<std::uint8_t> rowBuffer_;
};

}  // namespace quorvel
