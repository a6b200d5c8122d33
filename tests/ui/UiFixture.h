#pragma once
// A running desktop program for one test: settings in a temporary folder, decoder components
// taken from an empty folder (WAVE files only), and helpers that pump the event loop, answer
// file dialogs and make catalog entries.

#include <gtest/gtest.h>

#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>
#include <vector>

#include "catalog/ICatalog.h"
#include "core/UnknownStandAlone.h"
#include "tests/support/TempDir.h"
#include "ui/MainFrame.h"
#include "ui/TempowrightApp.h"
#include "ui/TempowrightView.h"

// Fields of one entry made by AddEntries.
struct EntrySpec {
    std::string name;  // file name under the fixture's music folder
    std::string title;
    std::string artist;
    std::string bpm;   // BPM text, empty for none
};

// Pumps events until `done` answers true or `timeoutMs` passes; answers `done()`.
bool WaitFor(const std::function<bool()>& done, int timeoutMs = 20000);
// Once a modal file dialog named `objectName` shows, records the folder it shows in
// `shownDirectory` (when given), chooses `path` and accepts it.
void AnswerFileDialog(const QString& objectName, const QString& path, QString* shownDirectory = nullptr);
// Once a modal dialog named `objectName` shows, runs `act` on it.
void WhenModalShows(const QString& objectName, std::function<void(QWidget&)> act);
// Writes a click-track WAVE file of `seconds` at `bpm`.
void WriteClickTrack(const std::filesystem::path& path, double bpm, double seconds);
// The number of threads of this process.
int ThreadCount();

class UiFixture : public ::testing::Test {
protected:
    void SetUp() override;
    void TearDown() override;

    // Starts the program (again); fails the test when it does not start.
    void StartApp();
    // Stops the program: window, catalog, engine.
    void StopApp();

    CMainFrame& Frame() { return *app_->MainFrame(); }
    CTempowrightView& View() { return *Frame().View(); }
    ComPtr<ICatalog> Catalog();
    // The action of the main frame named `name`.
    QAction& Action(const char* name);

    // Adds one entry per entry (the files need not exist), sets title, artist and BPM, waits until
    // the build manager is idle and rebuilds the list. Returns the ids in entry order.
    std::vector<std::uint32_t> AddEntries(const std::vector<EntrySpec>& entries);
    // The texts of column `column`, top row first.
    QStringList ColumnTexts(int column);
    // Selects the given rows (and only those).
    void SelectRows(const std::vector<int>& rows);

    TempDir settingsDir;
    TempDir dataHome;
    TempDir noComponents;
    TempDir music;
    std::unique_ptr<CTempowrightApp> app_;
};
