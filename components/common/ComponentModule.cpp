#include "components/common/ComponentModule.h"

#include <dlfcn.h>
#include <link.h>

#include <atomic>

#include "platform/UnknownBase.h"

namespace {

std::atomic<int> g_liveObjects{0};

// The factory handed out by DllGetClassObject. It does not count as a live object (a caller
// keeps it alive with LockServer when it wants the component to stay loaded).
class CClassFactory final : public TUnknown<IClassFactory> {
public:
    explicit CClassFactory(ComponentCreateFn create) : create_(create) {}

    HRESULT OwnQueryInterface(REFIID iid, void** out) override {
        if (iid == IID_IUnknown || iid == IID_IClassFactory)
            return Hand(static_cast<IClassFactory*>(this), out);
        return E_NOINTERFACE;
    }

    HRESULT CreateInstance(IUnknown* outer, REFIID iid, void** out) override {
        if (!out) return E_INVALIDARG;
        *out = nullptr;
        if (outer) return CLASS_E_NOAGGREGATION;
        return create_(iid, out);
    }
    HRESULT LockServer(int lock) override {
        if (lock)
            ComponentObjectCreated();
        else
            ComponentObjectDestroyed();
        return S_OK;
    }

private:
    ComponentCreateFn create_;
};

// Keeps the libraries this component was linked against loaded for the rest of the run, even
// after the component file itself is unloaded. Codec libraries hold caches and registries in
// their globals and pull in further libraries of their own; unloading and reloading all of them
// with every unload of the component would cost time and throw away state that they were never
// written to rebuild. The component file itself stays unloadable.
void PinLinkedLibraries() {
    Dl_info info{};
    link_map* self = nullptr;
    if (!dladdr1(reinterpret_cast<void*>(&PinLinkedLibraries), &info,
                 reinterpret_cast<void**>(&self), RTLD_DL_LINKMAP) ||
        !self || !self->l_ld)
        return;
    // The dynamic section names the needed libraries as offsets into its string table. The
    // loader usually relocates the table's address in place; an unrelocated one is an offset.
    const char* strings = nullptr;
    for (const ElfW(Dyn)* d = self->l_ld; d->d_tag != DT_NULL; ++d) {
        if (d->d_tag == DT_STRTAB) {
            ElfW(Addr) at = d->d_un.d_ptr;
            if (at < self->l_addr) at += self->l_addr;
            strings = reinterpret_cast<const char*>(at);
        }
    }
    if (!strings) return;
    for (const ElfW(Dyn)* d = self->l_ld; d->d_tag != DT_NULL; ++d) {
        if (d->d_tag != DT_NEEDED) continue;
        // Already loaded as our dependency: this only adds a reference and the no-delete mark.
        dlopen(strings + d->d_un.d_val, RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
    }
}

}  // namespace

void ComponentObjectCreated() {
    ++g_liveObjects;
}

void ComponentObjectDestroyed() {
    --g_liveObjects;
}

HRESULT ComponentCanUnloadNow() {
    return g_liveObjects.load() <= 0 ? S_OK : S_FALSE;
}

HRESULT ComponentGetClassObject(REFCLSID requested, REFCLSID served, ComponentCreateFn create,
                                REFIID iid, void** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;
    static const bool pinned = (PinLinkedLibraries(), true);
    (void)pinned;
    if (!(requested == served)) return CLASS_E_CLASSNOTAVAILABLE;
    auto* factory = new (std::nothrow) CClassFactory(create);
    if (!factory) return E_OUTOFMEMORY;
    const HRESULT hr = factory->QueryInterface(iid, out);
    factory->Release();
    return hr;
}
