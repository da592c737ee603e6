#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvel {

// Sizes pixels to bytes (zeros) after asking the system to back it with 2 MiB pages where
// it offers them. The five images of the largest map are 325 MB: in 4 KiB pages their first
// touch takes some 80,000 page faults, which on a virtual machine cost more than reading the
// files. Only advice: without it the buffer is the same.
// With fileName, takes the buffer preparePixelBuffers made for that file when it is large
// enough.
void resizePixels(std::vector<std::uint8_t>& pixels, std::size_t bytes,
                  const std::string& fileName = {});

// A file whose pixels will need about bytes bytes.
struct PreparedFile {
  std::string fileName;
  std::size_t bytes;
};

// Allocates and zeroes a buffer for each file, in turn, on a thread of its own, while other
// work goes on: the first touch of fresh memory is a large part of a large load on a virtual
// machine. resizePixels hands each to its file's load; any never taken are freed at exit.
void preparePixelBuffers(std::vector<PreparedFile> files);

}  // namespace quorvel
