#include "ui/AppSettings.h"

#include <QSettings>

#include "ui/StringTable.h"

namespace {
constexpr char kOrganization[] = "Local AppWizard-Generated Applications";
constexpr char kImportDirectoryKey[] = "Settings/Catalog Import Directory";
constexpr char kPreferredRangeKey[] = "Settings/Preferred BPM Range";
constexpr char kKeyNotationKey[] = "Settings/Key Notation";
constexpr char kWorkersKey[] = "Settings/Workers";

QSettings OpenSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kOrganization),
                     TwString(IDS_APP_TITLE));
}

QString ReadText(const char* key) { return OpenSettings().value(QLatin1String(key)).toString(); }

void Write(const char* key, const QVariant& value) {
    QSettings settings = OpenSettings();
    settings.setValue(QLatin1String(key), value);
    settings.sync();
}
}  // namespace

void CAppSettings::UseDirectory(const QString& directory) {
    QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, directory);
    QSettings::setPath(QSettings::IniFormat, QSettings::UserScope, directory);
}

QString CAppSettings::ImportDirectory() const { return ReadText(kImportDirectoryKey); }

void CAppSettings::SetImportDirectory(const QString& directory) {
    Write(kImportDirectoryKey, directory);
}

BPM_RANGE CAppSettings::PreferredRange() const {
    BPM_RANGE range;
    std::string unused;
    const QString text = ReadText(kPreferredRangeKey);
    if (!text.isEmpty()) ParseBpmRange(text.toStdString(), range, unused);
    return range;
}

void CAppSettings::SetPreferredRange(BPM_RANGE range) {
    Write(kPreferredRangeKey, QString::fromStdString(BpmRangeText(range)));
}

KeyNotation CAppSettings::KeyNotationSetting() const {
    return ParseKeyNotation(ReadText(kKeyNotationKey).toStdString()).value_or(KeyNotation::Standard);
}

void CAppSettings::SetKeyNotation(KeyNotation notation) {
    Write(kKeyNotationKey, QString::fromLatin1(KeyNotationName(notation)));
}

int CAppSettings::Workers() const {
    bool ok = false;
    const int workers = OpenSettings().value(QLatin1String(kWorkersKey)).toInt(&ok);
    return ok && workers > 0 ? workers : 0;
}

void CAppSettings::SetWorkers(int workers) { Write(kWorkersKey, workers > 0 ? workers : 0); }

QString CAppSettings::FileName() const { return OpenSettings().fileName(); }
