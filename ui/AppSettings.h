#pragma once
// The program's lasting settings, kept in the user's settings under "Local AppWizard-Generated
// Applications" / "Quillmarsh Tempowright", group "Settings": the last folder chosen for import
// ("Catalog Import Directory"), the preferred BPM range ("Preferred BPM Range", "LO-HI" or empty),
// the key notation ("Key Notation", "standard" or "wheel") and the number of analyses run at
// once ("Workers", 0 meaning one per core). This is the only class that touches QSettings.

#include <QString>

#include "catalog/BpmRange.h"
#include "catalog/KeyText.h"

class CAppSettings {
public:
    // Keeps every later read and write of the program's settings in `directory` instead of the
    // user's configuration folder (tests use a temporary folder).
    static void UseDirectory(const QString& directory);

    // The remembered import folder; empty when none was chosen yet.
    QString ImportDirectory() const;
    // Remembers `directory` and writes it out at once.
    void SetImportDirectory(const QString& directory);

    // The preferred BPM range; none when unset or when the stored text is no usable range.
    BPM_RANGE PreferredRange() const;
    void SetPreferredRange(BPM_RANGE range);
    // The key notation of the list; standard when unset or unknown.
    KeyNotation KeyNotationSetting() const;
    void SetKeyNotation(KeyNotation notation);
    // Analyses run at once, 0 (the default) meaning one per core; never negative.
    int Workers() const;
    void SetWorkers(int workers);

    // The file that holds the settings (for tests and diagnostics).
    QString FileName() const;
};
