#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel {

// Sizes pixels to bytes (zeros) after asking the system to back it with 2 MiB pages where
// it offers them. The five images of the largest map are 325 MB: in 4 KiB pages their first
// touch takes some 80,000 page faults, which on a virtual machine cost more than reading the
// files. Only advice: without it the buffer is the same.
void resizePixels(std::vector<std::uint8_t>& pixels, std::size_t bytes);

}  // namespace quorvel
