#include "cli/CliRun.h"

#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <set>
#include <string>
#include <vector>

#include "audio/ComponentIds.h"
#include "audio/LocalCoCreate.h"
#include "catalog/CatItem.h"
#include "catalog/Catalog.h"
#include "catalog/KeyText.h"
#include "cli/CliOutput.h"
#include "core/QmEngine.h"
#include "core/UiUpdateQueue.h"
#include "store/AnalysisStore.h"
#include "tags/TagWriteOutcome.h"

namespace {

volatile sig_atomic_t g_interrupted = 0;

void OnSignal(int) { g_interrupted = 1; }

void InstallSignalHandlers() {
    struct sigaction sa {};
    sa.sa_handler = OnSignal;
    sigemptyset(&sa.sa_mask);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
}

// How often the run looks at the UI update queue, as the desktop program's timer does.
constexpr unsigned kPollMs = 25;

// Follows the UI update queue: which entries this run analysed, and the running build.
class CProgressFollower {
public:
    CProgressFollower(IUiUpdateQueue* queue, ICatalog* catalog, bool show)
        : queue_(queue), catalog_(catalog), show_(show) {}

    void Drain() {
        std::int32_t code = 0, param = 0;
        while (queue_->PopUpdate(&code, &param) == S_OK) {
            if (code == kUiMsgProfileBuilt) {
                analysed_.insert(static_cast<std::uint32_t>(param));
            } else if (IsUiProgressCode(code, percent_)) {
                current_ = static_cast<std::uint32_t>(param);
            }
        }
        Show();
    }

    void SetTotal(size_t total) { total_ = total; }
    void Finish() {
        if (shown_) std::fputs("\r\033[K", stderr);
    }

private:
    void Show() {
        if (!show_ || current_ == 0) return;
        std::string name;
        CCatItem* item = nullptr;
        if (SUCCEEDED(catalog_->GetItem(current_, &item))) {
            WString title;
            item->GetFieldText(kFieldTitle, title);
            name = Utf16ToUtf8(title);
            item->Release();
        }
        std::fprintf(stderr, "\r\033[K[%zu/%zu] %3d%% %s", analysed_.size(), total_, percent_,
                     name.c_str());
        std::fflush(stderr);
        shown_ = true;
    }

    IUiUpdateQueue* queue_;
    ICatalog* catalog_;
    bool show_;
    bool shown_ = false;
    std::set<std::uint32_t> analysed_;
    std::uint32_t current_ = 0;
    int percent_ = 0;
    size_t total_ = 0;
};

// Names on stderr every item the import left out, and why, then their count.
void ReportSkipped(IProgressStatus* status) {
    std::uint32_t count = 0;
    if (!status || FAILED(status->GetSkippedCount(&count)) || count == 0) return;
    for (std::uint32_t i = 0; i < count; ++i) {
        CBstr path, reason;
        if (status->GetSkipped(i, path.Out(), reason.Out()) != S_OK) continue;
        std::fprintf(stderr, "tempowright-cli: skipped %s: %s\n", Utf16ToUtf8(path.Str()).c_str(),
                     Utf16ToUtf8(reason.Str()).c_str());
    }
    std::fprintf(stderr, "tempowright-cli: %u item%s skipped\n", count, count == 1 ? "" : "s");
}

const char* SourceName(BpmSource source) {
    switch (source) {
        case BpmSource::Tag: return "tag";
        case BpmSource::Store: return "store";
        case BpmSource::Analysis: return "analysis";
        case BpmSource::Hand: return "hand";
        case BpmSource::None: break;
    }
    return "";
}

bool PathExists(const std::string& path) {
    struct stat st {};
    return ::stat(path.c_str(), &st) == 0;
}

}  // namespace

std::shared_ptr<CAnalysisStore> OpenStore() {
    return std::make_shared<CAnalysisStore>(CAnalysisStore::DefaultPath(),
                                            [](const std::string& message) {
                                                std::fprintf(stderr, "tempowright-cli: %s\n",
                                                             message.c_str());
                                            });
}

int RunCatalog(const CliOptions& options) {
    std::vector<std::string> paths;
    for (const std::string& p : options.paths) {
        if (PathExists(p))
            paths.push_back(p);
        else
            std::fprintf(stderr, "tempowright-cli: no such file or folder: %s\n", p.c_str());
    }
    if (paths.empty()) return kExitUsage;

    InstallSignalHandlers();
    ComPtr<CQmEngine> engine(new CQmEngine);
    SetGlobalEngine(engine.Get());
    // The user waits for this run: its workers compete at normal priority unless told not to.
    CatalogOptions catalogOptions;
    catalogOptions.writeTags = !options.noWrite;
    catalogOptions.buildWorkers = options.jobs;
    catalogOptions.buildPriority = options.nice ? ThreadPriority::Lowest : ThreadPriority::Normal;
    catalogOptions.store = options.noStore ? nullptr : OpenStore();
    catalogOptions.preferredRange = options.range;
    engine->SetCatalogHooks(CCatalog::EngineHooks(catalogOptions));
    ComPtr<CCatalog> catalog(new CCatalog(catalogOptions));
    engine->AttachCatalog(static_cast<ICatalog*>(catalog.Get()));

    const bool showProgress = !options.quiet && isatty(STDERR_FILENO);
    CProgressFollower follower(engine->Queue(), catalog.Get(), showProgress);

    for (const std::string& p : paths) {
        CBstr path(Utf8ToUtf16(p));
        catalog->AddImportPath(path.Get());
    }
    ComPtr<IProgressStatus> status;
    bool interrupted = FAILED(catalog->StartImport(1, status.Out()));
    while (!interrupted && status->IsDone() == S_FALSE) {
        follower.Drain();
        usleep(kPollMs * 1000);
        interrupted = g_interrupted;
    }

    CatItemVector items;
    if (!interrupted) {
        ReportSkipped(status.Get());
        catalog->GetItems(&items);
        size_t toAnalyse = 0;
        for (const ComPtr<CCatItem>& item : items) toAnalyse += item->GetBpm() == 0.0f;
        follower.SetTotal(toAnalyse);
        while (!(interrupted = g_interrupted) && catalog->WaitForBuildsIdle(kPollMs) != S_OK)
            follower.Drain();
        follower.Drain();
    }
    follower.Finish();

    int exitStatus = kExitOk;
    if (interrupted) {
        // Stops the import and the build manager through their cancel flags; a tag write that
        // has begun finishes before the worker ends.
        if (status) status->RequestCancel();
        exitStatus = kExitInterrupted;
    } else {
        std::vector<CliRow> rows;
        for (const ComPtr<CCatItem>& item : items) {
            WString title, artist, bpm, key;
            item->GetFieldText(kFieldTitle, title);
            item->GetFieldText(kFieldArtist, artist);
            item->GetFieldText(kFieldBpm, bpm);
            item->GetFieldText(kFieldKey, key);
            const TagWriteOutcome tag = item->GetTagWriteOutcome();
            rows.push_back({Utf16ToUtf8(item->GetPath()), Utf16ToUtf8(title),
                            Utf16ToUtf8(artist), Utf16ToUtf8(bpm),
                            Utf16ToUtf8(KeyTextIn(options.keyNotation, key)),
                            item->GetBpmSource() == BpmSource::Analysis,
                            tag == TagWriteOutcome::Written, SourceName(item->GetBpmSource())});
            if (item->GetBpm() == 0.0f) {
                std::fprintf(stderr, "tempowright-cli: analysis failed: %s\n",
                             Utf16ToUtf8(item->GetPath()).c_str());
                exitStatus = kExitAnalysisFailed;
            }
            if (!TagWriteSucceeded(tag)) {
                std::fprintf(stderr, "tempowright-cli: %s: %s\n", TagWriteReasonText(tag).c_str(),
                             Utf16ToUtf8(item->GetPath()).c_str());
                exitStatus = kExitTagNotWritten;
            }
        }
        OutputFormat format = options.format;
        if (!options.formatGiven && !isatty(STDOUT_FILENO)) format = OutputFormat::Tsv;
        PrintRows(stdout, format, rows);
        if (!options.exportFile.empty()) {
            CBstr exportPath(Utf8ToUtf16(options.exportFile));
            catalog->ExportText(exportPath.Get());
        }
    }

    engine->CloseCatalog();
    catalog.Reset();
    SetGlobalEngine(nullptr);
    engine.Reset();
    LocalCoCreate().UnloadAll();
    return exitStatus;
}
