#include "ui/WebPages.h"

#include <QCoreApplication>
#include <QDesktopServices>
#include <QDir>

#include "ui/StringTable.h"

namespace {
constexpr char kPagesFromProgram[] = "../share/tempowright";

QUrl PageUrl(StringId page) {
    return QUrl::fromLocalFile(QDir(PagesDirectory()).filePath(TwString(page)));
}
}  // namespace

QString PagesDirectory() {
    return QDir::cleanPath(QDir(QCoreApplication::applicationDirPath()).filePath(QLatin1String(kPagesFromProgram)));
}

QUrl ProductPageUrl() { return PageUrl(IDS_PRODUCT_PAGE); }

QUrl HelpPageUrl() { return PageUrl(IDS_HELP_PAGE); }

bool OpenProductPage() { return QDesktopServices::openUrl(ProductPageUrl()); }

bool OpenHelpPage() { return QDesktopServices::openUrl(HelpPageUrl()); }
