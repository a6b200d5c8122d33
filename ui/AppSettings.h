#pragma once
// The program's lasting settings, kept in the user's settings under "Local AppWizard-Generated
// Applications" / "Quillmarsh Tempowright", group "Settings": "Catalog Import Directory", the
// last folder chosen for import, and "Workers", the number of analyses run at once (read only;
// the user edits the file). This is the only class that touches QSettings.

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

    // The number of analyses run at once: the "Workers" value when it is a whole number from 0
    // up, otherwise 0, which runs one per core.
    unsigned Workers() const;

    // The file that holds the settings (for tests and diagnostics).
    QString FileName() const;
};
