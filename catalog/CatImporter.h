#pragma once
// Imports folders and dropped paths into the catalog on a worker thread of its own, publishing
// "Found File: %s", "Importing: %s" and the fraction done in a progress status that the
// progress dialog polls and through which it may cancel. Also writes the text export.

#include <utility>
#include <vector>

#include "core/ProgressStatus.h"
#include "core/UnknownStandAlone.h"
#include "platform/Text.h"
#include "platform/WorkerThread.h"

class CCatalog;

class CCatImporter : public TUnknown<IUnknown> {
public:
    // Holds a reference to the catalog until released.
    explicit CCatImporter(CCatalog* catalog);

    // Scans `directory` and imports what it finds. E_FAIL when the worker cannot start or a
    // run is still active (the dialog of the running import keeps that from happening).
    HRESULT ImportDirectory(const WString& directory, IProgressStatus** status);
    // Appends a path to the pending list and forgets the directory of the last run.
    HRESULT AddImportPath(const WString& path);
    // Imports the pending list, first expanding it with every supported file under its paths
    // when `expand` is set.
    HRESULT StartImport(bool expand, IProgressStatus** status);
    // Writes every entry as path, title, artist, BPM, each followed by a tab, lines ended by
    // CR LF. S_OK (a file that cannot be written gives no file and no complaint).
    HRESULT ExportText(const WString& path);

    // Asks a running import to stop and waits for its worker to end.
    void CancelAndWait();

private:
    ~CCatImporter() override;
    HRESULT StartRun(IProgressStatus** status);
    void Run();
    std::vector<WString> pending_;
    // What the expansion of the pending list skipped, handed to the run's progress status.
    std::vector<std::pair<WString, WString>> expansionSkipped_;
    WString directory_;
    CProgressStatus* status_;
    CCatalog* catalog_;
    CWorkerThread worker_;
};
