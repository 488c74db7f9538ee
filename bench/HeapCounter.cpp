#include "HeapCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

// Every allocation carries a header with its size, so that delete knows what it returns.
// The header is a whole alignment unit wide, which keeps the caller's block aligned.

namespace {

std::atomic<std::size_t> now{0};
std::atomic<std::size_t> peak{0};

constexpr std::size_t header = alignof(std::max_align_t);

void* allocate(std::size_t size) {
    void* block = std::malloc(size + header);
    if (block == nullptr) {
        // Benchmarks have no use for a program that ran out of memory.
        std::abort();
    }
    *static_cast<std::size_t*>(block) = size;
    const std::size_t held = now.fetch_add(size) + size;
    std::size_t seen = peak.load();
    while (held > seen && !peak.compare_exchange_weak(seen, held)) {
    }
    return static_cast<char*>(block) + header;
}

void release(void* pointer) {
    if (pointer == nullptr) {
        return;
    }
    void* block = static_cast<char*>(pointer) - header;
    now.fetch_sub(*static_cast<std::size_t*>(block));
    std::free(block);
}

} // namespace

std::size_t heapBytesNow() {
    return now.load();
}

std::size_t heapBytesPeak() {
    return peak.load();
}

void resetHeapPeak() {
    peak.store(now.load());
}

void* operator new(std::size_t size) {
    return allocate(size);
}
void* operator new[](std::size_t size) {
    return allocate(size);
}
void operator delete(void* pointer) noexcept {
    release(pointer);
}
void operator delete[](void* pointer) noexcept {
    release(pointer);
}
void operator delete(void* pointer, std::size_t) noexcept {
    release(pointer);
}
void operator delete[](void* pointer, std::size_t) noexcept {
    release(pointer);
}
