#pragma once
// The program's lasting settings, kept in the user's settings under "Local AppWizard-Generated
// Applications" / "Quillmarsh Tempowright", group "Settings": the last folder chosen for import
// (key "Catalog Import Directory"), "Workers", the number of analyses run at once (0 meaning one
// per core), the preferred BPM range ("Preferred BPM Range", "LO-HI" or empty), the key notation
// ("Key Notation", "standard" or "wheel"), and the main window's size and position ("Window
// Geometry"), the list's column widths ("Column Widths") and the track view below the list
// ("Track View Shown", "Track View Height") as the user left them. This is the
// only class that touches QSettings.

#include <QByteArray>
#include <QList>
#include <QString>
#include <QVariant>

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

    // The number of analyses run at once: the "Workers" value when it is a whole number from 0
    // up, otherwise 0, which runs one per core.
    unsigned Workers() const;
    void SetWorkers(unsigned workers);
    // The preferred BPM range; none when unset or when the stored text is no usable range.
    BPM_RANGE PreferredRange() const;
    void SetPreferredRange(BPM_RANGE range);
    // The key notation of the list; standard when unset or unknown.
    KeyNotation KeyNotationSetting() const;
    void SetKeyNotation(KeyNotation notation);
    // The main window's geometry as QWidget::saveGeometry gives it; empty when none is stored.
    QByteArray WindowGeometry() const;
    void SetWindowGeometry(const QByteArray& geometry);
    // The list's column widths in pixels, in column order; empty when none are stored.
    QList<int> ColumnWidths() const;
    void SetColumnWidths(const QList<int>& widths);

    // Whether the track view below the list shows; shown when unset.
    bool TrackViewShown() const;
    void SetTrackViewShown(bool shown);
    // The track view's height in pixels; 0 when none (or no usable one) is stored.
    int TrackViewHeight() const;
    void SetTrackViewHeight(int height);

    // The file that holds the settings (for tests and diagnostics).
    QString FileName() const;

private:
    // Writes one value and flushes it to the file at once.
    static void Store(const char* key, const QVariant& value);
};
