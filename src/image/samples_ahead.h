#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvel {

// Which file a read found: a file written or replaced since differs in one of these.
struct FileStamp {
  std::uint64_t device = 0;
  std::uint64_t inode = 0;
  std::uint64_t bytes = 0;
  std::int64_t modified = 0;  // nanoseconds
  std::int64_t changed = 0;
  bool operator==(const FileStamp&) const = default;
};

// The stamp of the file now named fileName; nothing when it cannot be had.
[[nodiscard]] std::optional<FileStamp> stampOf(const std::string& fileName);

// An altitude's samples read while GDAL loads, before it has opened the file, on a guess from
// the file's name and length alone. The reader keeps them only once GDAL has found the layout
// that was guessed, in the same file unchanged; otherwise it reads as it would have, and the
// memory serves it as pages made ready.
struct SamplesAhead {
  // side x side 16-bit samples in the host's order and the map's: rows south first.
  std::vector<std::uint8_t> pixels;
  int side = 0;  // 0 when nothing was read ahead
  FileStamp file;
  bool voids = false;  // whether a sample is -32768, an SRTM tile's mark of no altitude
  std::optional<std::array<int, 2>> reach16;  // Texture::reach16 of the samples, if found
};

// The side of the SRTM tile fileName would be by its name (ending in .hgt, in any case) and its
// length (2 x side² bytes, side 1201 or 3601), a local regular file; 0 otherwise.
[[nodiscard]] int srtmSideGuess(const std::string& fileName);

// Reads such a tile's samples into ahead (the pixels' memory is reused): the file's rows are
// north first and its samples big-endian. ahead.side stays 0 when the file cannot be read
// whole, or changed while it was.
void readSrtmAhead(const std::string& fileName, int side, SamplesAhead& ahead);

// Swaps the two bytes of each 16-bit sample of bytes[0, count).
void swapBytePairs(std::uint8_t* bytes, std::size_t count);

}  // namespace quorvel
