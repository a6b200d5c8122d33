#include "ui/AppSettings.h"

#include <QSettings>

#include "ui/StringTable.h"

namespace {
constexpr char kOrganization[] = "Local AppWizard-Generated Applications";
constexpr char kImportDirectoryKey[] = "Settings/Catalog Import Directory";
constexpr char kWorkersKey[] = "Settings/Workers";

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

void CAppSettings::SetImportDirectory(const QString& directory) {
    QSettings settings = OpenSettings();
    settings.setValue(QLatin1String(kImportDirectoryKey), directory);
    settings.sync();
}

unsigned CAppSettings::Workers() const {
    const QString text = OpenSettings().value(QLatin1String(kWorkersKey)).toString().trimmed();
    bool number = false;
    const uint workers = text.toUInt(&number);
    return number ? workers : 0;
}

QString CAppSettings::FileName() const { return OpenSettings().fileName(); }
