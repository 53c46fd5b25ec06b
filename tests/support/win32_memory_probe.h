// How much memory the test process has committed for itself: the sum of the
// private regions that VirtualQuery reports as committed, from the lowest
// address to the highest one an application may use. Blocks that the program
// obtains with VirtualAlloc and the heap's own pages are counted; mapped
// images and files are not.
#pragma once

#include <stdint.h>

namespace memoryprobe {

uint64_t committedPrivateBytes();
// The same for another process, through a handle with PROCESS_QUERY_INFORMATION.
uint64_t committedPrivateBytes(void* process);

// Size of a block of `bytes` as committed pages.
uint64_t pagesFor(uint64_t bytes);

}  // namespace memoryprobe
