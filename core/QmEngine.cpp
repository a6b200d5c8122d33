#include "core/QmEngine.h"

#include <atomic>

#include "platform/SystemError.h"

CQmEngine::CQmEngine() : queue_(ThrowIfNull(new CUiUpdateQueue)) {}

CQmEngine::~CQmEngine() {
    if (catalog_) catalog_->Release();
    queue_->Release();
}

HRESULT CQmEngine::OwnQueryInterface(REFIID iid, void** out) {
    {
        CSingleThreadLock lock(lock_);
        if (catalog_ && SUCCEEDED(catalog_->QueryInterface(iid, out))) return S_OK;
    }
    if (SUCCEEDED(queue_->QueryInterface(iid, out))) return S_OK;
    return E_FAIL;
}

void CQmEngine::SetCatalogHooks(const CatalogHooks& hooks) {
    CSingleThreadLock lock(lock_);
    hooks_ = hooks;
}

HRESULT CQmEngine::NewCatalog() {
    CloseCatalog();
    CatalogHooks hooks;
    {
        CSingleThreadLock lock(lock_);
        hooks = hooks_;
    }
    if (!hooks.create) return E_FAIL;
    IUnknown* catalog = hooks.create();
    if (!catalog) return E_FAIL;
    CSingleThreadLock lock(lock_);
    catalog_ = catalog;
    return S_OK;
}

void CQmEngine::AttachCatalog(IUnknown* catalog) {
    CloseCatalog();
    if (catalog) catalog->AddRef();
    CSingleThreadLock lock(lock_);
    catalog_ = catalog;
}

void CQmEngine::CloseCatalog() {
    IUnknown* catalog;
    CatalogHooks hooks;
    {
        CSingleThreadLock lock(lock_);
        catalog = catalog_;
        catalog_ = nullptr;
        hooks = hooks_;
    }
    if (!catalog) return;
    // Shut down outside the engine's lock: the build worker may be asking the engine for the
    // catalog or the queue while it finishes.
    if (hooks.shutdown) hooks.shutdown(catalog);
    catalog->Release();
}

void PostUiUpdate(CQmEngine* engine, std::int32_t code, std::int32_t param, std::int32_t coalesce) {
    if (!engine) return;
    ComPtr<IUiUpdateQueue> queue;
    if (SUCCEEDED(engine->QueryInterface(IID_IUiUpdateQueue, queue.OutVoid())))
        queue->PostUpdate(code, param, coalesce);
}

namespace {
std::atomic<CQmEngine*> g_engine{nullptr};
}

CQmEngine* GlobalEngine() { return g_engine.load(); }

void SetGlobalEngine(CQmEngine* engine) {
    if (engine) engine->AddRef();
    CQmEngine* previous = g_engine.exchange(engine);
    if (previous) previous->Release();
}
