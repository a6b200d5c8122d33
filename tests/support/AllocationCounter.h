#pragma once
// Counts calls of the global operator new made by the current thread, so that a test can show
// that a per-block call allocates nothing.

#include <cstddef>

// Number of global operator new calls made by this thread so far.
std::size_t ThreadAllocationCount();

// Counts the allocations made by this thread during its lifetime.
class CAllocationWatch {
public:
    CAllocationWatch() : start_(ThreadAllocationCount()) {}
    std::size_t Count() const { return ThreadAllocationCount() - start_; }

private:
    std::size_t start_;
};
