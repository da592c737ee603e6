#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel {

// Sizes pixels to bytes (zeros) after asking the system to back it with 2 MiB pages where
// it offers them. The five images of the largest map are 325 MB: in 4 KiB pages their first
// touch takes some 80,000 page faults, which on a virtual machine cost more than reading the
// files. Only advice: without it the buffer is the same.
// Takes one of the buffers preparePixelBuffers made when one is large enough.
void resizePixels(std::vector<std::uint8_t>& pixels, std::size_t bytes);

// Allocates and zeroes count buffers of bytes each on a thread of their own, for images still
// to load, while the current one loads: the first touch of fresh memory is a large part of a
// large load on a virtual machine. resizePixels hands them out in turn; any that are never
// taken are freed at exit.
void preparePixelBuffers(int count, std::size_t bytes);

}  // namespace quorvel
