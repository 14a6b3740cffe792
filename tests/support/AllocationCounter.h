// Counting the program's heap allocations, for the tests and benchmarks that
// prove a frame allocates nothing.
//
// Linking AllocationCounter.cpp into a program replaces its global operator
// new and delete (all their forms). They count only while a
// CountingAllocations guard is alive; everywhere else they just forward to
// malloc and free.
#pragma once

#include <cstddef>

// Counts every operator new while it lives: from any thread, or only from
// the thread that made it (where other threads may allocate as they like).
class CountingAllocations {
public:
    enum class Threads { All, ThisOne };
    explicit CountingAllocations(Threads threads = Threads::All);
    ~CountingAllocations();
    CountingAllocations(const CountingAllocations&) = delete;
    CountingAllocations& operator=(const CountingAllocations&) = delete;

    // Allocations since the guard was made.
    size_t Count() const;
};
