// GDI as the tests see it from outside: object counts and planned failures.
#pragma once

#include <cstddef>

namespace control {

// Pens, brushes, fonts, bitmaps, regions and DCs that exist now (stock objects left out):
// what a test compares before and after to find a leak.
size_t GdiObjectCount();
// The next count calls of CreateCompatibleDC / CreateDIBSection fail.
void FailCreateCompatibleDC(int count = 1);
void FailCreateDIBSection(int count = 1);

}  // namespace control
