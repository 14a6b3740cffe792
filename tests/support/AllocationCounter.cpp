#include "support/AllocationCounter.h"

#include <atomic>
#include <cstdlib>
#include <new>

namespace {

std::atomic<bool> countingAllocations{false};
std::atomic<bool> countingOneThread{false};
thread_local bool countingThisThread = false;
std::atomic<size_t> allocationCount{0};

void CountOne() {
    if (countingAllocations.load(std::memory_order_relaxed) &&
        (countingThisThread || !countingOneThread.load(std::memory_order_relaxed))) {
        allocationCount.fetch_add(1, std::memory_order_relaxed);
    }
}

}  // namespace

CountingAllocations::CountingAllocations(Threads threads) {
    allocationCount = 0;
    countingOneThread = threads == Threads::ThisOne;
    countingThisThread = true;
    countingAllocations = true;
}

CountingAllocations::~CountingAllocations() {
    countingAllocations = false;
    countingThisThread = false;
}

size_t CountingAllocations::Count() const { return allocationCount; }

// Array forms come through here as well. Where GCC inlines a delete below
// into a caller, it pairs the new-expression's operator new with the free()
// it then sees and warns of a mismatch, although both replacements go
// through malloc and free.
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wmismatched-new-delete"
void* operator new(std::size_t size) {
    CountOne();
    if (void* memory = std::malloc(size == 0 ? 1 : size)) return memory;
    throw std::bad_alloc();
}
// The nothrow form as well: code outside the show (the GL's shader
// compiler, for one) allocates with it and frees with the plain delete
// below, and under AddressSanitizer a form left unreplaced comes from the
// sanitizer's allocator, which then reports the pair as mismatched.
void* operator new(std::size_t size, const std::nothrow_t&) noexcept {
    CountOne();
    return std::malloc(size == 0 ? 1 : size);
}
void operator delete(void* memory) noexcept { std::free(memory); }
void operator delete(void* memory, std::size_t) noexcept { std::free(memory); }
#pragma GCC diagnostic pop
