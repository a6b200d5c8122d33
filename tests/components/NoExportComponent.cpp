// A component file that exports DllCanUnloadNow but no DllGetClassObject. Its DllCanUnloadNow
// leaves a mark in the environment, where a test can see it after the file is unloaded.

#include <cstdlib>

#include "platform/ComTypes.h"

extern "C" __attribute__((visibility("default"))) HRESULT DllCanUnloadNow() {
    setenv("TW_TEST_UNLOAD_QUERIED", "1", 1);
    return S_OK;
}
