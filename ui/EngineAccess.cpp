#include "ui/EngineAccess.h"

#include "catalog/Catalog.h"
#include "core/QmEngine.h"

namespace {
template <class T>
ComPtr<T> QueryEngine(REFIID iid) {
    ComPtr<T> out;
    if (CQmEngine* engine = GlobalEngine(); engine && FAILED(engine->QueryInterface(iid, out.OutVoid())))
        out.Reset();
    return out;
}
}  // namespace

ComPtr<ICatalog> EngineCatalog() { return QueryEngine<ICatalog>(IID_ICatalog); }

ComPtr<IUiUpdateQueue> EngineQueue() { return QueryEngine<IUiUpdateQueue>(IID_IUiUpdateQueue); }

std::shared_ptr<CAnalysisStore> EngineAnalysisStore() {
    ComPtr<ICatalog> catalog = EngineCatalog();
    // The engine's catalogs are all of the one kind the program creates.
    const auto* full = dynamic_cast<const CCatalog*>(catalog.Get());
    return full ? full->AnalysisStore() : nullptr;
}
