#include "ui/AppSettings.h"

#include <QSettings>

#include "ui/StringTable.h"

namespace {
constexpr char kOrganization[] = "Local AppWizard-Generated Applications";
constexpr char kImportDirectoryKey[] = "Settings/Catalog Import Directory";

QSettings OpenSettings() {
    return QSettings(QSettings::NativeFormat, QSettings::UserScope, QString::fromLatin1(kOrganization),
                     TwString(AFX_IDS_APP_TITLE));
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

QString CAppSettings::FileName() const { return OpenSettings().fileName(); }
