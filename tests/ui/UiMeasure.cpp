// Measures the catalog list with many entries, and takes a screenshot of the main window after
// importing a folder. Not a test: it prints what it measured.
//
//   ui_measure [--rows N]                       list timings with N synthetic entries (20000)
//   ui_measure --screenshot out.png --demo DIR  import DIR, wait for its analyses, save the window

#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QScreen>
#include <cstdio>
#include <random>

#include "audio/LocalCoCreate.h"
#include "catalog/CatItem.h"
#include "catalog/Catalog.h"
#include "tests/support/TempDir.h"
#include "tests/ui/UiFixture.h"
#include "ui/AppSettings.h"
#include "ui/CatalogRowModel.h"
#include "ui/EngineAccess.h"

namespace {
constexpr int kDefaultRows = 20000;
constexpr int kRepeats = 3;
constexpr int kAnalysisWaitMs = 600000;

double Milliseconds(const QElapsedTimer& clock) { return static_cast<double>(clock.nsecsElapsed()) / 1e6; }

// Adds `count` entries with made-up paths, titles, artists and tempi.
void AddSyntheticEntries(int count) {
    ComPtr<ICatalog> catalog = EngineCatalog();
    auto* concrete = static_cast<CCatalog*>(catalog.Get());
    std::mt19937 random(20240229);
    std::uniform_real_distribution<float> tempo(70.0f, 180.0f);
    for (int i = 0; i < count; ++i) {
        char path[64];
        std::snprintf(path, sizeof path, "/nowhere/music/track%05d.wav", i);
        concrete->AddFile(Utf8ToUtf16(path));
    }
    CatItemVector items;
    catalog->GetItems(&items);
    for (const ComPtr<CCatItem>& item : items) {
        const std::uint32_t id = item->GetId();
        item->SetFieldText(kFieldTitle, Utf8ToUtf16("Track " + std::to_string(id)));
        item->SetFieldText(kFieldArtist, Utf8ToUtf16("Artist " + std::to_string(id % 400)));
        item->SetBpm(tempo(random));
    }
    catalog->WaitForBuildsIdle(kAnalysisWaitMs);
}

int MeasureList(CMainFrame& frame, int rows) {
    AddSyntheticEntries(rows);
    CTempowrightView& view = *frame.View();
    double refresh = 1e30;
    for (int i = 0; i < kRepeats; ++i) {
        QElapsedTimer clock;
        clock.start();
        view.RefreshList();
        QCoreApplication::processEvents();
        refresh = std::min(refresh, Milliseconds(clock));
    }
    std::printf("RefreshList, %d rows: %.1f ms\n", view.Rows().rowCount(), refresh);

    // One progress message per entry, then one drain of the queue as the timer does it.
    ComPtr<IUiUpdateQueue> queue = EngineQueue();
    for (int r = 0; r < view.Rows().rowCount(); ++r)
        queue->PostUpdate(UiProgressCode(r % (kUiMsgProgressMax + 1)), static_cast<std::int32_t>(view.Rows().IdAt(r)), 0);
    QElapsedTimer clock;
    clock.start();
    frame.DrainUiUpdates();
    const double drain = Milliseconds(clock);
    QCoreApplication::processEvents();
    std::printf("%d progress messages: applied in %.1f ms, %.1f ms with the repaint\n",
                view.Rows().rowCount(), drain, Milliseconds(clock));

    view.RefreshList();
    clock.restart();
    view.OnColumnClick(2);
    const double firstSort = Milliseconds(clock);
    clock.restart();
    view.OnColumnClick(2);
    std::printf("Sort by BPM: %.1f ms (descending), %.1f ms (inverted)\n", firstSort, Milliseconds(clock));
    return 0;
}

int TakeScreenshot(CMainFrame& frame, const QString& out, const QString& demo) {
    AnswerFileDialog(QStringLiteral("importDirectoryDialog"), demo);
    frame.Actions().import->trigger();
    CTempowrightView& view = *frame.View();
    // Done when no analysis is queued or running any more (failed ones leave an empty cell).
    ComPtr<ICatalog> catalog = EngineCatalog();
    const bool done = WaitFor([&] { return catalog && catalog->WaitForBuildsIdle(0) == S_OK; },
                              kAnalysisWaitMs);
    if (view.Rows().rowCount() > 1) view.selectionModel()->select(
        view.Rows().index(1, 0), QItemSelectionModel::Select | QItemSelectionModel::Rows);
    WaitFor([] { return false; }, 300);  // let the window paint
    const bool saved = frame.grab().save(out);
    std::printf("%d rows, analyses %s; screenshot %s: %s\n", view.Rows().rowCount(),
                done ? "finished" : "still running", saved ? "saved" : "NOT saved",
                qPrintable(out));
    return saved ? 0 : 1;
}
}  // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    QApplication::setQuitOnLastWindowClosed(false);
    const QStringList args = QCoreApplication::arguments();
    int rows = kDefaultRows;
    QString screenshot, demo;
    for (qsizetype i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--rows")) rows = args[i + 1].toInt();
        if (args[i] == QLatin1String("--screenshot")) screenshot = args[i + 1];
        if (args[i] == QLatin1String("--demo")) demo = args[i + 1];
    }
    TempDir settings;
    CAppSettings::UseDirectory(QString::fromStdString(settings.Path().string()));
    int status = 1;
    {
        CTempowrightApp app;
        if (!app.InitInstance({QStringLiteral("tempowright")})) return 1;
        status = screenshot.isEmpty() ? MeasureList(*app.MainFrame(), rows)
                                      : TakeScreenshot(*app.MainFrame(), screenshot, demo);
        app.ExitInstance();
    }
    LocalCoCreate().UnloadAll();
    return status;
}
