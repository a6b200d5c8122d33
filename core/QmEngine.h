#pragma once
// The process's single engine: owns the UI update queue and the current catalog, and answers
// queries for both (the catalog first, then the queue). Workers reach the catalog and the queue
// only through the engine's QueryInterface.
//
// The engine knows the catalog only as an object; the catalog module supplies the two operations
// the engine needs of it (create, shut down) as hooks, so this folder does not depend on it.

#include <functional>

#include "core/SingleThreadToken.h"
#include "core/UiUpdateQueue.h"
#include "core/UnknownStandAlone.h"

struct CatalogHooks {
    std::function<IUnknown*()> create;        // a new catalog with one reference, or null
    std::function<void(IUnknown*)> shutdown;  // stops the catalog's workers
};

class CQmEngine : public TUnknown<IUnknown> {
public:
    CQmEngine();

    HRESULT OwnQueryInterface(REFIID iid, void** out) override;

    void SetCatalogHooks(const CatalogHooks& hooks);
    // Creates a new catalog (the previous one, if any, is shut down and released).
    // E_FAIL when no hooks are set or creation fails.
    HRESULT NewCatalog();
    // Shuts the current catalog down and releases it; nothing when there is none.
    void CloseCatalog();
    // Attaches an existing catalog object (takes a reference); used by hosts that build the
    // catalog themselves.
    void AttachCatalog(IUnknown* catalog);

    // The queue, without a reference added.
    CUiUpdateQueue* Queue() const { return queue_; }

private:
    ~CQmEngine() override;
    CSingleThreadToken lock_;  // guards catalog_
    IUnknown* catalog_ = nullptr;
    CUiUpdateQueue* queue_;
    CatalogHooks hooks_;
};

// Posts a message to the engine's UI update queue (looked up through its QueryInterface);
// nothing when the engine is null or has no queue.
void PostUiUpdate(CQmEngine* engine, std::int32_t code, std::int32_t param, std::int32_t coalesce);

// The global reference to the process's engine (null before start-up and after shutdown).
CQmEngine* GlobalEngine();
// Sets the global reference; takes a reference to `engine` and releases the previous one.
void SetGlobalEngine(CQmEngine* engine);
