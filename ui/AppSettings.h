#pragma once
// The program's one lasting setting, the last folder chosen for import, kept in the user's
// settings under "Local AppWizard-Generated Applications" / "Quillmarsh Tempowright", group
// "Settings", key "Catalog Import Directory". This is the only class that touches QSettings.

#include <QString>

class CAppSettings {
public:
    // Keeps every later read and write of the program's settings in `directory` instead of the
    // user's configuration folder (tests use a temporary folder).
    static void UseDirectory(const QString& directory);

    // The remembered import folder; empty when none was chosen yet.
    QString ImportDirectory() const;
    // Remembers `directory` and writes it out at once.
    void SetImportDirectory(const QString& directory);

    // The file that holds the settings (for tests and diagnostics).
    QString FileName() const;
};
