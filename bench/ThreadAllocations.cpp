#include "bench/ThreadAllocations.h"

#include <cstdlib>
#include <new>

namespace {
thread_local size_t t_allocations = 0;

void* Allocate(std::size_t size) noexcept {
    ++t_allocations;
    return std::malloc(size ? size : 1);
}
}  // namespace

namespace bench {
size_t ThreadAllocations() {
    return t_allocations;
}
}  // namespace bench

void* operator new(std::size_t size) {
    if (void* p = Allocate(size))
        return p;
    throw std::bad_alloc();
}
void* operator new[](std::size_t size) {
    return operator new(size);
}
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](std::size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* p) noexcept {
    std::free(p);
}
void operator delete[](void* p) noexcept {
    std::free(p);
}
void operator delete(void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    std::free(p);
}
void operator delete(void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
void operator delete[](void* p, const std::nothrow_t&) noexcept {
    std::free(p);
}
