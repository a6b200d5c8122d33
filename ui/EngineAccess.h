#pragma once
// How the desktop program reaches the core: every command asks the process's engine anew for
// the catalog, its analysis store or the UI update queue.

#include <memory>

#include "catalog/ICatalog.h"
#include "core/UiUpdateQueue.h"
#include "core/UnknownStandAlone.h"

class CAnalysisStore;

// The engine's catalog with a reference, or empty when there is no engine or no catalog.
ComPtr<ICatalog> EngineCatalog();
// The engine's UI update queue with a reference, or empty when there is no engine.
ComPtr<IUiUpdateQueue> EngineQueue();
// The analysis store of the engine's catalog, or none (no engine, no catalog, or a catalog
// made without a store).
std::shared_ptr<CAnalysisStore> EngineAnalysisStore();
