#include "audio/CpuDispatch.h"

#include <atomic>

namespace {
std::atomic<bool> wideVectorsAllowed{true};
}  // namespace

bool CpuHasWideVectors() {
#if TW_WIDE_VECTORS
    return wideVectorsAllowed.load(std::memory_order_relaxed) && __builtin_cpu_supports("avx2");
#else
    return false;
#endif
}

void AllowWideVectors(bool allowed) {
    wideVectorsAllowed.store(allowed, std::memory_order_relaxed);
}
