#include "catalog/CatImporter.h"

#include <cstdio>

#include "catalog/Catalog.h"
#include "catalog/FileScan.h"
#include "catalog/TextExport.h"
#include "platform/SystemError.h"

namespace {
// Status texts of the import.
constexpr char16_t kFoundFileFormat[] = u"Found File: %s";
constexpr char16_t kImportingFormat[] = u"Importing: %s";

// Puts `path` in place of the "%s" of a status format.
WString FormatStatus(std::u16string_view format, const WString& path) {
    WString text(format);
    const auto at = text.find(u"%s");
    if (at != WString::npos) text.replace(at, 2, path);
    return text;
}
}  // namespace

CCatImporter::CCatImporter(CCatalog* catalog)
    : status_(ThrowIfNull(new CProgressStatus)), catalog_(catalog) {
    catalog_->AddRef();
}

CCatImporter::~CCatImporter() {
    status_->Release();
    catalog_->Release();
}

HRESULT CCatImporter::ImportDirectory(const WString& directory, IProgressStatus** status) {
    if (worker_.IsRunning()) return E_FAIL;
    directory_ = directory;
    return StartRun(status);
}

HRESULT CCatImporter::AddImportPath(const WString& path) {
    pending_.push_back(path);
    directory_.clear();
    return S_OK;
}

HRESULT CCatImporter::StartImport(bool expand, IProgressStatus** status) {
    if (worker_.IsRunning()) return E_FAIL;
    expansionSkipped_.clear();
    if (expand) {
        CFileScan scan(catalog_->SupportedExtensions());
        for (const WString& path : pending_) scan.Scan(path);
        pending_.insert(pending_.end(), scan.Results().begin(), scan.Results().end());
        expansionSkipped_ = scan.Skipped();
    }
    return StartRun(status);
}

HRESULT CCatImporter::StartRun(IProgressStatus** status) {
    status_->Reset();
    for (const auto& [path, reason] : expansionSkipped_) status_->AddSkipped(path.c_str(), reason.c_str());
    expansionSkipped_.clear();
    worker_.WaitForEnd(0);  // collect the thread of a finished run
    AddRef();               // the worker's reference, released at its end
    if (!worker_.Start([this] { Run(); }, ThreadPriority::Normal)) {
        Release();
        return E_FAIL;
    }
    if (status) {
        status_->AddRef();
        *status = status_;
    }
    return S_OK;
}

void CCatImporter::CancelAndWait() {
    status_->RequestCancel();
    worker_.WaitForEnd(UINT32_MAX / 2);
}

void CCatImporter::Run() {
    const auto skip = [this](const WString& path, const WString& reason) {
        status_->AddSkipped(path.c_str(), reason.c_str());
    };
    if (!directory_.empty()) {
        ScanVisits visited;
        ScanTree(directory_,
                 {[this] { return status_->IsCancelRequested() == S_OK; },
                  [this](const WString& ext) { return catalog_->IsSupportedExtension(ext); },
                  [this](const WString& path) {
                      status_->SetText(FormatStatus(kFoundFileFormat, path).c_str());
                      pending_.push_back(path);
                  },
                  skip},
                 visited);
    }
    // Each file is added once, under the first path that reaches it.
    ScanVisits imported;
    const size_t count = pending_.size();
    for (size_t i = 0; i < count; ++i) {
        WString reason;
        const PendingVerdict verdict = CheckPendingPath(pending_[i], imported, reason);
        if (verdict == PendingVerdict::Skip) skip(pending_[i], reason);
        if (verdict == PendingVerdict::Import) {
            try {
                catalog_->AddFile(pending_[i]);
            } catch (const std::exception& e) {
                // A file that cannot be added (out of memory while reading its tags) is skipped;
                // the rest of the import goes on.
                skip(pending_[i], Utf8ToUtf16(e.what()));
            }
        }
        status_->SetText(FormatStatus(kImportingFormat, pending_[i]).c_str());
        status_->SetProgress(static_cast<float>(i) / static_cast<float>(count));
        if (status_->IsCancelRequested() == S_OK) break;
    }
    directory_.clear();
    pending_.clear();
    status_->SetDone();
    Release();  // the worker's reference
}

HRESULT CCatImporter::ExportText(const WString& path) {
    if (!catalog_) return E_FAIL;
    CatItemVector items;
    catalog_->GetItems(&items);
    {
        CTextExportWriter writer(path);
        for (const ComPtr<CCatItem>& item : items) writer.WriteRecord(*item);
    }
    return S_OK;
}
