#pragma once
// Creates objects of the decoder components without registration: maps a class id to its
// component file (Vellmp3.so, Vellwma.so in ComponentDirectory()), loads it, asks its
// DllGetClassObject for a class factory and has the factory create the object.
//
// Every load is recorded; UnloadAll (at the end of the run) calls each module's DllCanUnloadNow
// when exported and unloads it once per load.

#include <cstdint>
#include <vector>

#include "core/SingleThreadToken.h"
#include "platform/ComTypes.h"

struct LOCOCR_DLLREF {
    void* module;
    std::int32_t loadCount;
    std::int32_t reserved1;  // -1
    std::int32_t reserved2;  // -1
};

class CLocalCoCreate {
public:
    CLocalCoCreate() = default;
    ~CLocalCoCreate();
    CLocalCoCreate(const CLocalCoCreate&) = delete;
    CLocalCoCreate& operator=(const CLocalCoCreate&) = delete;

    // Creates an object of `clsid` answering `iid`. E_FAIL when the class is unknown, its file
    // is missing or lacks DllGetClassObject; otherwise the component's own result.
    HRESULT Create(REFCLSID clsid, IUnknown* outer, std::uint32_t context, REFIID iid, void** out);

    // Calls DllCanUnloadNow where exported and unloads every module once per load.
    void UnloadAll();

    // Number of records (for tests).
    std::size_t ModuleCount();

private:
    CSingleThreadToken lock_;
    std::vector<LOCOCR_DLLREF> modules_;
};

// The one instance of the run.
CLocalCoCreate& LocalCoCreate();
