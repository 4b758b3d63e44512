// Counts the heap allocations made through operator new in this test program.
#pragma once

#include <cstddef>

size_t AllocationsSoFar();
