#include "platform/ComInit.h"

namespace {
thread_local int t_comCount = 0;
}

HRESULT CoInitialize(void*) { return t_comCount++ == 0 ? S_OK : S_FALSE; }

void CoUninitialize() {
    if (t_comCount > 0) --t_comCount;
}

int CoInitializeCount() { return t_comCount; }
