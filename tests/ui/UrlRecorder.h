#pragma once
// Receives every "file:" address the program asks the desktop to open, instead of a browser.

#include <QDesktopServices>
#include <QList>
#include <QObject>
#include <QUrl>

class CUrlRecorder : public QObject {
    Q_OBJECT
public:
    CUrlRecorder() { QDesktopServices::setUrlHandler(QStringLiteral("file"), this, "Open"); }
    ~CUrlRecorder() override { QDesktopServices::unsetUrlHandler(QStringLiteral("file")); }

    Q_INVOKABLE void Open(const QUrl& url) { opened.push_back(url); }

    QList<QUrl> opened;
};
