// Replaces the global operator new and delete of this test program. Each
// block carries its size in front of it, so delete knows what it gives back.
#include "allocation_counter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

// Keeps the caller's block aligned for any fundamental type.
constexpr size_t HeaderSize = alignof(std::max_align_t);

std::atomic<size_t> Live{0};
std::atomic<size_t> Peak{0};
std::atomic<size_t> Largest{0};

void RaiseTo(std::atomic<size_t>& mark, size_t value) {
    size_t seen = mark.load();
    while (value > seen && !mark.compare_exchange_weak(seen, value)) {
    }
}

void* Allocate(size_t size) noexcept {
    auto* block = static_cast<unsigned char*>(std::malloc(HeaderSize + size));
    if (block == nullptr)
        return nullptr;
    *reinterpret_cast<size_t*>(block) = size;
    RaiseTo(Peak, Live += size);
    RaiseTo(Largest, size);
    return block + HeaderSize;
}

void Release(void* pointer) noexcept {
    if (pointer == nullptr)
        return;
    auto* block = static_cast<unsigned char*>(pointer) - HeaderSize;
    Live -= *reinterpret_cast<size_t*>(block);
    std::free(block);
}

void* AllocateOrThrow(size_t size) {
    if (void* pointer = Allocate(size))
        return pointer;
    throw std::bad_alloc();
}

} // namespace

namespace AllocationCounter {

TUsage Usage() {
    return {Live.load(), Peak.load(), Largest.load()};
}

void Reset() {
    Peak = Live.load();
    Largest = 0;
}

} // namespace AllocationCounter

void* operator new(size_t size) {
    return AllocateOrThrow(size);
}
void* operator new[](size_t size) {
    return AllocateOrThrow(size);
}
void* operator new(size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void* operator new[](size_t size, const std::nothrow_t&) noexcept {
    return Allocate(size);
}
void operator delete(void* pointer) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer) noexcept {
    Release(pointer);
}
void operator delete(void* pointer, size_t) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer, size_t) noexcept {
    Release(pointer);
}
void operator delete(void* pointer, const std::nothrow_t&) noexcept {
    Release(pointer);
}
void operator delete[](void* pointer, const std::nothrow_t&) noexcept {
    Release(pointer);
}
