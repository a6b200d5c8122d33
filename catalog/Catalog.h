#pragma once
// The in-memory set of imported music files. Entries are kept by path (the order of every
// listing, the export and a rescan) and by id; entries without a BPM are queued for analysis.

#include <cstdint>
#include <map>
#include <memory>

#include "catalog/BpmRange.h"
#include "catalog/CatItem.h"
#include "catalog/ICatalog.h"
#include "core/QmEngine.h"
#include "core/SingleThreadToken.h"
#include "core/UnknownStandAlone.h"
#include "platform/Path.h"
#include "platform/WorkerThread.h"
#include "profile/BuildEntry.h"

class CAnalysisStore;
class CCatImporter;
class CProfileBuildManager;

// The most analyses a catalog runs at once.
constexpr unsigned kMaxBuildWorkers = 1024;

struct CatalogOptions {
    // Write title, artist and BPM back into each file after its analysis.
    bool writeTags = true;
    // Analyses that run at once; 0 runs one per CPU the process may use; more than
    // kMaxBuildWorkers run kMaxBuildWorkers.
    unsigned buildWorkers = 1;
    // The scheduling priority of the analysis workers.
    ThreadPriority buildPriority = ThreadPriority::Lowest;
    // Where measurements are remembered and looked up; none: every track without a BPM in its
    // tag is measured.
    std::shared_ptr<CAnalysisStore> store;
    // The preferred tempo range measured tempi are folded into (none by default).
    BPM_RANGE preferredRange;
};

class CCatalog : public TUnknown<ICatalog, IBuildEntrySource> {
public:
    // Creates the importer and the build manager, and lists "wav;" plus "mp3;" and "wma;" for
    // each decoder component that can be created.
    explicit CCatalog(const CatalogOptions& options = {});

    HRESULT OwnQueryInterface(REFIID iid, void** out) override;

    HRESULT ImportDirectory(BSTR directory, IProgressStatus** status) override;
    HRESULT AddImportPath(BSTR path) override;
    HRESULT StartImport(std::int32_t expand, IProgressStatus** status) override;
    HRESULT GetItems(CatItemVector* items) override;
    HRESULT GetItem(std::uint32_t id, CCatItem** item) override;
    HRESULT Reanalyze(std::uint32_t id) override;
    HRESULT ExportText(BSTR path) override;
    HRESULT RemoveItem(std::uint32_t id) override;
    HRESULT WaitForBuildsIdle(std::uint32_t timeoutMs) override;
    HRESULT SetEntryBpm(std::uint32_t id, float bpm) override;
    HRESULT SetPreferredRange(float low, float high) override;

    // IBuildEntrySource: the entry of `id` for the build manager.
    HRESULT GetBuildEntry(std::uint32_t id, IBuildEntry** entry) override;

    // Adds one file: nothing for an unsupported extension or a known path; otherwise a new
    // entry whose tags are read at once. An entry without a BPM in its tag takes a measurement
    // of its audio from the store (and writes its tag, when writing is on), or else is queued
    // for analysis.
    void AddFile(const WString& path);

    // True when `extension` (any case) is one of the supported extensions.
    bool IsSupportedExtension(const WString& extension);
    // The supported-extension list, e.g. "wav;mp3;wma;".
    WString SupportedExtensions();

    // The analysis store of this catalog, or none (where a BPM set by hand is kept).
    const std::shared_ptr<CAnalysisStore>& AnalysisStore() const { return options_.store; }

    // Stops the import and the build manager and breaks the catalog-importer reference cycle.
    void Shutdown();

    // The hooks with which the engine creates and shuts down catalogs of this kind, each made
    // with `options`.
    static CatalogHooks EngineHooks(const CatalogOptions& options = {});

private:
    ~CCatalog() override;

    CCatImporter* importer_ = nullptr;
    CSingleThreadToken lock_;  // guards both maps, the next id and the manager pointer
    std::map<WString, CCatItem*> byPath_;
    std::map<std::uint32_t, CCatItem*> byId_;
    WString extensions_;
    const CatalogOptions options_;
    std::uint32_t nextId_ = 1;
    CProfileBuildManager* manager_ = nullptr;
    // Shared with every entry, which folds its measured tempo into it.
    const std::shared_ptr<CSharedBpmRange> preferredRange_ = std::make_shared<CSharedBpmRange>();
};
