#include "ui/AppSettings.h"

#include <QSettings>
#include <QStringList>

#include "ui/StringTable.h"

namespace {
constexpr char kOrganization[] = "Local AppWizard-Generated Applications";
constexpr char kImportDirectoryKey[] = "Settings/Catalog Import Directory";
constexpr char kWorkersKey[] = "Settings/Workers";
constexpr char kWindowGeometryKey[] = "Settings/Window Geometry";
constexpr char kColumnWidthsKey[] = "Settings/Column Widths";
constexpr char kPreferredRangeKey[] = "Settings/Preferred BPM Range";
constexpr char kKeyNotationKey[] = "Settings/Key Notation";
constexpr char kTrackViewShownKey[] = "Settings/Track View Shown";
constexpr char kTrackViewHeightKey[] = "Settings/Track View Height";

QSettings OpenSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kOrganization),
                     TwString(IDS_APP_TITLE));
}

}  // namespace

void CAppSettings::UseDirectory(const QString& directory) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, directory);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, directory);
}

QString CAppSettings::ImportDirectory() const {
    return OpenSettings().value(QLatin1String(kImportDirectoryKey)).toString();
}

void CAppSettings::SetImportDirectory(const QString& directory) { Store(kImportDirectoryKey, directory); }

QByteArray CAppSettings::WindowGeometry() const {
    return OpenSettings().value(QLatin1String(kWindowGeometryKey)).toByteArray();
}

void CAppSettings::SetWindowGeometry(const QByteArray& geometry) { Store(kWindowGeometryKey, geometry); }

QList<int> CAppSettings::ColumnWidths() const {
    QList<int> widths;
    const QStringList texts = OpenSettings().value(QLatin1String(kColumnWidthsKey)).toStringList();
    if (texts.isEmpty()) return {};
    for (const QString& text : texts) {
        bool number = false;
        const int width = text.trimmed().toInt(&number);
        if (!number || width <= 0) return {};  // damaged: the first widths apply
        widths << width;
    }
    return widths;
}

void CAppSettings::SetColumnWidths(const QList<int>& widths) {
    QStringList texts;
    for (int width : widths) texts << QString::number(width);
    Store(kColumnWidthsKey, texts);
}

void CAppSettings::Store(const char* key, const QVariant& value) {
    QSettings settings = OpenSettings();
    settings.setValue(QLatin1String(key), value);
    settings.sync();
}

unsigned CAppSettings::Workers() const {
    const QString text = OpenSettings().value(QLatin1String(kWorkersKey)).toString().trimmed();
    bool number = false;
    const uint workers = text.toUInt(&number);
    return number ? workers : 0;
}

void CAppSettings::SetWorkers(unsigned workers) { Store(kWorkersKey, workers); }

BPM_RANGE CAppSettings::PreferredRange() const {
    BPM_RANGE range;
    std::string unused;
    const QString text = OpenSettings().value(QLatin1String(kPreferredRangeKey)).toString();
    if (!text.isEmpty()) ParseBpmRange(text.toStdString(), range, unused);
    return range;
}

void CAppSettings::SetPreferredRange(BPM_RANGE range) {
    Store(kPreferredRangeKey, QString::fromStdString(BpmRangeText(range)));
}

KeyNotation CAppSettings::KeyNotationSetting() const {
    const QString text = OpenSettings().value(QLatin1String(kKeyNotationKey)).toString();
    return ParseKeyNotation(text.toStdString()).value_or(KeyNotation::Standard);
}

void CAppSettings::SetKeyNotation(KeyNotation notation) {
    Store(kKeyNotationKey, QString::fromLatin1(KeyNotationName(notation)));
}

bool CAppSettings::TrackViewShown() const {
    return OpenSettings().value(QLatin1String(kTrackViewShownKey), true).toBool();
}

void CAppSettings::SetTrackViewShown(bool shown) { Store(kTrackViewShownKey, shown); }

int CAppSettings::TrackViewHeight() const {
    bool number = false;
    const int height = OpenSettings().value(QLatin1String(kTrackViewHeightKey)).toString().trimmed().toInt(&number);
    return number && height > 0 ? height : 0;
}

void CAppSettings::SetTrackViewHeight(int height) { Store(kTrackViewHeightKey, height); }

QString CAppSettings::FileName() const { return OpenSettings().fileName(); }
