#include "ui/TempowrightDoc.h"

#include <QFile>
#include <QFileDialog>
#include <QFileInfo>

#include "ui/StringTable.h"

namespace {
// The new-document name is the third segment of the document template string.
constexpr int kDocNameSegment = 2;
}  // namespace

CTempowrightDoc::CTempowrightDoc() { OnNewDocument(); }

void CTempowrightDoc::OnNewDocument() {
    pathName_.clear();
    title_ = DocTemplateSegment(kDocNameSegment);
}

bool CTempowrightDoc::OnOpenDocument(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) return false;
    SetPathName(path);
    return true;
}

bool CTempowrightDoc::OnSaveDocument(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Truncate)) return false;
    file.close();
    SetPathName(path);
    return true;
}

CTempowrightDoc::SaveResult CTempowrightDoc::FileSave(QWidget* parent, QString* tried) {
    QString path = pathName_;
    if (path.isEmpty()) {
        QFileDialog dialog(parent, TwString(AFX_IDS_SAVEFILE));
        dialog.setObjectName(QStringLiteral("saveDocumentDialog"));
        dialog.setAcceptMode(QFileDialog::AcceptSave);
        dialog.setFileMode(QFileDialog::AnyFile);
        dialog.setNameFilter(FileDialogFilter(AFX_IDS_ALLFILTER));
        dialog.selectFile(title_);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return SaveResult::Cancelled;
        path = dialog.selectedFiles().constFirst();
    }
    if (tried) *tried = path;
    return OnSaveDocument(path) ? SaveResult::Saved : SaveResult::Failed;
}

bool CTempowrightDoc::FileOpen(QWidget* parent) {
    QFileDialog dialog(parent, TwString(AFX_IDS_OPENFILE));
    dialog.setObjectName(QStringLiteral("openDocumentDialog"));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(FileDialogFilter(AFX_IDS_ALLFILTER));
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return false;
    return OnOpenDocument(dialog.selectedFiles().constFirst());
}

void CTempowrightDoc::SetPathName(const QString& path) {
    pathName_ = path;
    title_ = QFileInfo(path).fileName();
}
