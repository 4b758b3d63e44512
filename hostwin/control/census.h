// What exists in the stand-in now, for tests that look for leaks: compare before and after.
#pragma once

#include <cstddef>

namespace control {

// Kernel objects reachable through an open handle: threads, events, HID device handles.
size_t KernelHandleCount();
// Windows that have been created and not destroyed.
size_t WindowCount();

}  // namespace control
