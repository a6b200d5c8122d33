#pragma once
// What every decoder component shares with its loader: the two exported entry points, the count
// of live objects and server locks that DllCanUnloadNow answers from, and the guard that keeps
// C++ exceptions from crossing the component boundary.

#include <new>

#include "platform/ComTypes.h"

// Marks the component's C entry points; everything else stays inside the shared object.
#define TW_COMPONENT_EXPORT extern "C" __attribute__((visibility("default")))

// Creates a new object of the component's class answering `iid`; S_OK and a reference in *out,
// or an error with *out null.
using ComponentCreateFn = HRESULT (*)(REFIID iid, void** out);

// Live objects and LockServer locks of this component; DllCanUnloadNow is S_OK only at zero.
void ComponentObjectCreated();
void ComponentObjectDestroyed();
HRESULT ComponentCanUnloadNow();

// DllGetClassObject for a component serving the one class `served`: hands out a class factory
// whose CreateInstance calls `create`. CLASS_E_CLASSNOTAVAILABLE for any other class id,
// E_INVALIDARG for a null out pointer.
HRESULT ComponentGetClassObject(REFCLSID requested, REFCLSID served, ComponentCreateFn create,
                                REFIID iid, void** out);

// Runs `body` and turns an escaping exception into a status code: E_OUTOFMEMORY for a failed
// allocation, E_FAIL for anything else.
template <class Body>
HRESULT Guarded(Body&& body) noexcept {
    try {
        return body();
    } catch (const std::bad_alloc&) {
        return E_OUTOFMEMORY;
    } catch (...) {
        return E_FAIL;
    }
}
