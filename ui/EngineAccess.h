#pragma once
// How the desktop program reaches the core: every command asks the process's engine anew for
// the catalog or the UI update queue.

#include "catalog/ICatalog.h"
#include "core/UiUpdateQueue.h"
#include "core/UnknownStandAlone.h"

// The engine's catalog with a reference, or empty when there is no engine or no catalog.
ComPtr<ICatalog> EngineCatalog();
// The engine's UI update queue with a reference, or empty when there is no engine.
ComPtr<IUiUpdateQueue> EngineQueue();
