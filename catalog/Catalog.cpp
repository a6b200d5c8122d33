#include "catalog/Catalog.h"

#include <algorithm>
#include <string>

#include "audio/ComponentIds.h"
#include "audio/LocalCoCreate.h"
#include "audio/PcmReader.h"
#include "catalog/CatImporter.h"
#include "catalog/FileScan.h"
#include "platform/SystemError.h"
#include "profile/ProfileBuildManager.h"
#include "store/AnalysisStore.h"
#include "tags/FileIdentity.h"
#include "tags/TrackTagReader.h"

namespace {

// True when the decoder component of `clsid` can be created; the object is released at once.
bool CanCreateDecoder(const CLSID& clsid) {
    ComPtr<IPcmReader> reader;
    return SUCCEEDED(LocalCoCreate().Create(clsid, nullptr, 0, IID_IPcmReader, reader.OutVoid())) &&
           reader;
}

}  // namespace

CCatalog::CCatalog(const CatalogOptions& options) : extensions_(u"wav;"), options_(options) {
    std::string unused;
    if (CheckBpmRange(options.preferredRange, unused)) preferredRange_->Set(options.preferredRange);
    importer_ = ThrowIfNull(new CCatImporter(this));
    manager_ = ThrowIfNull(new CProfileBuildManager(
        BuildManagerOptions{options.writeTags, std::min(options.buildWorkers, kMaxBuildWorkers),
                            options.buildPriority}));
    if (CanCreateDecoder(CLSID_Mp3Decoder)) extensions_ += u"mp3;";
    if (CanCreateDecoder(CLSID_WmaDecoder)) extensions_ += u"wma;";
}

CCatalog::~CCatalog() {
    Shutdown();
    for (auto& [path, item] : byPath_) item->Release();
    for (auto& [id, item] : byId_) item->Release();
}

HRESULT CCatalog::OwnQueryInterface(REFIID iid, void** out) {
    if (iid == IID_ICatalog) return Hand(static_cast<ICatalog*>(this), out);
    if (iid == IID_IBuildEntrySource) return Hand(static_cast<IBuildEntrySource*>(this), out);
    return E_FAIL;
}

CatalogHooks CCatalog::EngineHooks(const CatalogOptions& options) {
    return {[options]() -> IUnknown* { return static_cast<ICatalog*>(new CCatalog(options)); },
            [](IUnknown* catalog) {
                static_cast<CCatalog*>(static_cast<ICatalog*>(catalog))->Shutdown();
            }};
}

WString CCatalog::SupportedExtensions() {
    CSingleThreadLock lock(lock_);
    return extensions_;
}

bool CCatalog::IsSupportedExtension(const WString& extension) {
    return ExtensionInList(SupportedExtensions(), extension);
}

void CCatalog::AddFile(const WString& path) {
    const WString extension = PathExtension(path);
    if (extension.empty() || !IsSupportedExtension(extension)) return;

    ComPtr<CCatItem> item;
    {
        CSingleThreadLock lock(lock_);
        if (byPath_.count(path)) return;
        item = ComPtr<CCatItem>(ThrowIfNull(new CCatItem(nextId_++, path, options_.store, preferredRange_)));
        ReadTrackTags(*item.Get());  // a file that cannot be read is added all the same
        if (item->GetBpm() != 0.0f) item->SetBpmSource(BpmSource::Tag);
        item->AddRef();
        byPath_.emplace(path, item.Get());
        item->AddRef();
        byId_.emplace(item->GetId(), item.Get());
        if (item->GetBpm() != 0.0f) return;
        // The file as the store is about to recognise it: the tag write-back below changes only
        // that same, unchanged file, as after an analysis.
        const FILE_IDENTITY recognised = IdentityOfPath(path);
        const std::optional<StoredAnalysis> stored =
            options_.store ? options_.store->Lookup(path) : std::nullopt;
        if (!stored) {
            if (manager_) manager_->Enqueue(item->GetId());
            return;
        }
        item->ApplyStored(*stored);
        item->SetAnalysedFile(recognised);
    }
    // A remembered measurement goes into the tag as a new one would, outside the catalog lock
    // because a tag write may rewrite the whole file.
    if (options_.writeTags) item->WriteBack();
}

HRESULT CCatalog::GetItems(CatItemVector* items) {
    if (!items) return E_INVALIDARG;
    CSingleThreadLock lock(lock_);
    for (auto& [path, item] : byPath_) items->push_back(ComPtr<CCatItem>::Share(item));
    return S_OK;
}

HRESULT CCatalog::GetItem(std::uint32_t id, CCatItem** item) {
    if (!item) return E_INVALIDARG;
    CSingleThreadLock lock(lock_);
    const auto it = byId_.find(id);
    if (it == byId_.end()) return E_FAIL;
    it->second->AddRef();
    *item = it->second;
    return S_OK;
}

HRESULT CCatalog::GetBuildEntry(std::uint32_t id, IBuildEntry** entry) {
    if (!entry) return E_INVALIDARG;
    *entry = nullptr;
    CCatItem* item = nullptr;
    if (FAILED(GetItem(id, &item))) return E_FAIL;
    *entry = item;
    return S_OK;
}

HRESULT CCatalog::RemoveItem(std::uint32_t id) {
    CSingleThreadLock lock(lock_);
    const auto it = byId_.find(id);
    if (it == byId_.end()) return E_FAIL;
    CCatItem* item = it->second;
    const auto byPath = byPath_.find(item->GetPath());
    if (byPath != byPath_.end()) {
        byPath->second->Release();
        byPath_.erase(byPath);
    }
    byId_.erase(it);
    item->Release();
    return S_OK;
}

HRESULT CCatalog::Reanalyze(std::uint32_t id) {
    ComPtr<CCatItem> item;
    if (FAILED(GetItem(id, item.Out()))) return S_FALSE;
    item->SetBuildFailure(BuildFailure::None);
    item->SetBpm(0.0f);
    item->SetBpmSource(BpmSource::None);
    CSingleThreadLock lock(lock_);
    if (manager_) manager_->Enqueue(id);
    return S_OK;
}

HRESULT CCatalog::SetEntryBpm(std::uint32_t id, float bpm) {
    if (!(bpm >= kMinHandBpm && bpm <= kMaxHandBpm)) return E_INVALIDARG;
    ComPtr<CCatItem> item;
    if (FAILED(GetItem(id, item.Out()))) return E_FAIL;
    item->SetHandBpm(bpm);
    // The store remembers the user's BPM for the audio, over any measurement, also for files
    // that carry no tag of ours.
    if (options_.store) options_.store->SetManualBpm(item->GetPath(), bpm);
    // The same write-back as after an analysis: title, artist and the new BPM. A kind of file
    // that carries no tag of ours (WAVE) has nothing to write, which is no failure.
    if (!item->TakesTags()) return S_OK;
    // The user sets the BPM of the file the path names now: that file is the one to write, even
    // when it has changed since an analysis read it (the analysis's own write-back changes it).
    item->SetAnalysedFile(IdentityOfPath(item->GetPath()));
    return item->WriteBack() == S_OK ? S_OK : S_FALSE;
}

HRESULT CCatalog::SetPreferredRange(float low, float high) {
    const BPM_RANGE range{low, high};
    std::string unused;
    if (range.IsSet() && !CheckBpmRange(range, unused)) return E_INVALIDARG;
    preferredRange_->Set(range.IsSet() ? range : BPM_RANGE{});
    return S_OK;
}

HRESULT CCatalog::WaitForBuildsIdle(std::uint32_t timeoutMs) {
    CProfileBuildManager* manager;
    {
        CSingleThreadLock lock(lock_);
        manager = manager_;
        if (!manager) return S_OK;
        manager->AddRef();
    }
    const bool idle = manager->WaitForIdle(timeoutMs);
    manager->Release();
    return idle ? S_OK : S_FALSE;
}

HRESULT CCatalog::ImportDirectory(BSTR directory, IProgressStatus** status) {
    CCatImporter* importer = importer_;
    return importer ? importer->ImportDirectory(BstrToWString(directory), status) : E_FAIL;
}

HRESULT CCatalog::AddImportPath(BSTR path) {
    CCatImporter* importer = importer_;
    return importer ? importer->AddImportPath(BstrToWString(path)) : E_FAIL;
}

HRESULT CCatalog::StartImport(std::int32_t expand, IProgressStatus** status) {
    CCatImporter* importer = importer_;
    return importer ? importer->StartImport(expand != 0, status) : E_FAIL;
}

HRESULT CCatalog::ExportText(BSTR path) {
    CCatImporter* importer = importer_;
    return importer ? importer->ExportText(BstrToWString(path)) : E_FAIL;
}

void CCatalog::Shutdown() {
    CCatImporter* importer;
    CProfileBuildManager* manager;
    {
        CSingleThreadLock lock(lock_);
        importer = importer_;
        importer_ = nullptr;
        manager = manager_;
        manager_ = nullptr;
    }
    if (importer) {
        // An import still running is cancelled and awaited, so that no worker outlives the
        // catalog's shutdown.
        importer->CancelAndWait();
        importer->Release();
    }
    if (manager) {
        manager->Stop();
        manager->Release();
    }
}
