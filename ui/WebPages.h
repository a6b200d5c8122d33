#pragma once
// The product page and the help page are HTML files shipped with the program, in
// <program folder>/../share/tempowright (the same place in the build tree and when installed).
// They open in the user's browser through QDesktopServices, so a caller that registers a URL
// handler for the "file" scheme sees every opening.

#include <QString>
#include <QUrl>

// The folder of the shipped pages.
QString PagesDirectory();

QUrl ProductPageUrl();
QUrl HelpPageUrl();

// Opens the page with the desktop's default handler; false when nothing could open it.
bool OpenProductPage();
bool OpenHelpPage();
