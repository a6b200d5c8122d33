#pragma once
// The analysis context handed to every analysis step that can run long: it carries the build's
// cancel flag, which the step tests between blocks and gives up on when set.

#include <atomic>
#include <cstdint>

// A cancel flag: a plain 32-bit word written by the stopping thread and read by the worker.
using CancelFlag = std::atomic<std::int32_t>;

struct CPfRhythmAnalyzer {
    const CancelFlag* cancel = nullptr;

    bool Cancelled() const { return cancel && cancel->load(std::memory_order_relaxed) != 0; }
};
