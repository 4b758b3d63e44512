// Bytes allocated on the heap and not yet freed, in the whole process: the allocator's own
// count under a sanitizer, glibc's otherwise. For tests that look for growth over time.
#pragma once

#include <cstddef>

#if defined(__SANITIZE_ADDRESS__) || defined(__SANITIZE_THREAD__)
// Declared here because GCC ships no header for the sanitizers' allocator interface.
extern "C" size_t __sanitizer_get_current_allocated_bytes();
inline size_t LiveHeapBytes() {
    return __sanitizer_get_current_allocated_bytes();
}
#else
#include <malloc.h>
inline size_t LiveHeapBytes() {
    struct mallinfo2 info = mallinfo2();
    return info.uordblks + info.hblkhd;
}
#endif
