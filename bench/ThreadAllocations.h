// Heap allocations made through operator new, counted per thread: a pass runs on one thread,
// while the player answers its messages on another, whose allocations are the player's own.
#pragma once

#include <cstddef>

namespace bench {

size_t ThreadAllocations();

}  // namespace bench
