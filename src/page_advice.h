#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace quorvel {

// Advice to the system about large buffers, for speed only: without it every byte is the
// same. Both round inwards to whole pages and do nothing where the system lacks the advice.

// Backs the memory with 2 MiB pages where the system offers them: buffers walked a row apart
// are then found without a walk of the page tables at every step.
void adviseHugePages(void* memory, std::size_t bytes);

// Makes the memory's pages in one call rather than in a page fault each: on a virtual machine
// a fault costs more than zeroing its page.
void populatePages(void* memory, std::size_t bytes);

// Sizes buffer to count zeros, on pages made by both calls above before they are written:
// a buffer of a megabyte would otherwise take 256 page faults, which on a virtual machine
// cost milliseconds.
void resizeOnReadyPages(std::vector<std::uint8_t>& buffer, std::size_t count);

}  // namespace quorvel
