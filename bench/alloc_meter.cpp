#include "alloc_meter.h"

#include <malloc.h>

#include <atomic>
#include <cstdlib>
#include <new>

namespace {
std::atomic<std::size_t> inUse{0};
std::atomic<std::size_t> peak{0};

void* counted(std::size_t size) {
    void* p = std::malloc(size == 0 ? 1 : size);
    if (p == nullptr) {
        throw std::bad_alloc();
    }
    const std::size_t now = inUse += malloc_usable_size(p);
    std::size_t seen = peak.load();
    while (now > seen && !peak.compare_exchange_weak(seen, now)) {
    }
    return p;
}

void release(void* p) noexcept {
    if (p != nullptr) {
        inUse -= malloc_usable_size(p);
        std::free(p);
    }
}
}  // namespace

void* operator new(std::size_t size) {
    return counted(size);
}
void* operator new[](std::size_t size) {
    return counted(size);
}
void operator delete(void* p) noexcept {
    release(p);
}
void operator delete[](void* p) noexcept {
    release(p);
}
void operator delete(void* p, std::size_t) noexcept {
    release(p);
}
void operator delete[](void* p, std::size_t) noexcept {
    release(p);
}

namespace kvo::bench {

std::size_t heapInUse() {
    return inUse.load();
}
void resetHeapPeak() {
    peak = inUse.load();
}
std::size_t heapPeak() {
    return peak.load();
}

}  // namespace kvo::bench
