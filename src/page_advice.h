#pragma once

#include <cstddef>

namespace quorvel {

// Advice to the system about large buffers, for speed only: without it every byte is the
// same. Both round inwards to whole pages and do nothing where the system lacks the advice.

// Backs the memory with 2 MiB pages where the system offers them: buffers walked a row apart
// are then found without a walk of the page tables at every step.
void adviseHugePages(void* memory, std::size_t bytes);

// Makes the memory's pages in one call rather than in a page fault each: on a virtual machine
// a fault costs more than zeroing its page.
void populatePages(void* memory, std::size_t bytes);

}  // namespace quorvel
