#include "audio/LocalCoCreate.h"

#include <string_view>

#include "audio/ComponentIds.h"
#include "platform/DynamicLibrary.h"

namespace {

struct ComponentFile {
    const CLSID* clsid;
    const char* fileName;
};

constexpr ComponentFile kComponentFiles[] = {
    {&CLSID_Mp3Decoder, "Vellmp3.so"},
    {&CLSID_WmaDecoder, "Vellwma.so"},
};

constexpr std::int32_t kUnusedWord = -1;

// The component file serving `clsid`; null for any other class.
const char* ComponentFileFor(REFCLSID clsid) {
    for (const ComponentFile& file : kComponentFiles)
        if (*file.clsid == clsid) return file.fileName;
    return nullptr;
}

}  // namespace

CLocalCoCreate::~CLocalCoCreate() {
    UnloadAll();
}

HRESULT CLocalCoCreate::Create(REFCLSID clsid, IUnknown* /*outer*/, std::uint32_t /*context*/,
                               REFIID iid, void** out) {
    if (!out) return E_INVALIDARG;
    *out = nullptr;

    void* module = nullptr;
    {
        CSingleThreadLock lock(lock_);
        if (const char* fileName = ComponentFileFor(clsid))
            module = LoadModule(ComponentDirectory() + "/" + fileName);
    }
    if (!module) return E_FAIL;

    // The component's code runs outside the lock.
    HRESULT hr = E_FAIL;
    if (auto getClassObject =
            reinterpret_cast<PFN_DllGetClassObject>(ModuleSymbol(module, "DllGetClassObject"))) {
        IClassFactory* factory = nullptr;
        hr = getClassObject(clsid, IID_IClassFactory, reinterpret_cast<void**>(&factory));
        if (SUCCEEDED(hr) && factory) {
            // Objects are never aggregated: the outer object is always null.
            hr = factory->CreateInstance(nullptr, iid, out);
            factory->Release();
        } else if (SUCCEEDED(hr)) {
            hr = E_FAIL;
        }
    }

    // Every load is recorded, whatever the outcome, so that it is undone at the end of the run.
    CSingleThreadLock lock(lock_);
    for (LOCOCR_DLLREF& ref : modules_) {
        if (ref.module == module) {
            ++ref.loadCount;
            return hr;
        }
    }
    modules_.push_back({module, 1, kUnusedWord, kUnusedWord});
    return hr;
}

void CLocalCoCreate::UnloadAll() {
    CSingleThreadLock lock(lock_);
    for (const LOCOCR_DLLREF& ref : modules_) {
        if (auto canUnload =
                reinterpret_cast<PFN_DllCanUnloadNow>(ModuleSymbol(ref.module, "DllCanUnloadNow")))
            canUnload();  // The answer does not change what follows: the run is over.
        for (std::int32_t i = 0; i < ref.loadCount; ++i) FreeModule(ref.module);
    }
    modules_.clear();
}

std::size_t CLocalCoCreate::ModuleCount() {
    CSingleThreadLock lock(lock_);
    return modules_.size();
}

CLocalCoCreate& LocalCoCreate() {
    static CLocalCoCreate instance;
    return instance;
}
