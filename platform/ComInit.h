#pragma once
// Per-thread initialisation counters that stand in for COM's apartment set-up. Components are
// created between a CoInitialize and its CoUninitialize on the same thread.

#include "platform/ComTypes.h"

// Increments this thread's count; S_OK on the first call, S_FALSE when already initialised.
HRESULT CoInitialize(void* reserved = nullptr);
// Decrements this thread's count (never below 0).
void CoUninitialize();
// This thread's current count.
int CoInitializeCount();

// Initialises on construction and uninitialises on destruction.
class CComInitScope {
public:
    CComInitScope() { CoInitialize(); }
    ~CComInitScope() { CoUninitialize(); }
    CComInitScope(const CComInitScope&) = delete;
    CComInitScope& operator=(const CComInitScope&) = delete;
};
