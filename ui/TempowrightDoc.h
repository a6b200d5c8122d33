#pragma once
// The document: it holds nothing. The catalog lives in the engine, and measured tempi live in the
// music files' tags, so saving writes an empty file and opening reads nothing. No operation of
// the program marks the document modified, so it never asks to be saved.

#include <QString>

class QWidget;

class CTempowrightDoc {
public:
    enum class SaveResult { Saved, Cancelled, Failed };

    CTempowrightDoc();

    // A new document: no file, the template's new-document name ("Tempowright").
    void OnNewDocument();
    // Opens `path` for reading and reads nothing. False, and the document unchanged, when the
    // file cannot be opened.
    bool OnOpenDocument(const QString& path);
    // Creates or truncates `path` and leaves it with zero bytes. False when it cannot be created.
    bool OnSaveDocument(const QString& path);

    // The save command: the document's file, or the "Save As" dialog when it has none. The file
    // tried goes to `tried` when given.
    SaveResult FileSave(QWidget* parent, QString* tried = nullptr);
    // The open command: the "Open" dialog, then OnOpenDocument. False when nothing was opened.
    bool FileOpen(QWidget* parent);

    const QString& PathName() const { return pathName_; }
    const QString& Title() const { return title_; }
    bool IsModified() const { return false; }

private:
    void SetPathName(const QString& path);

    QString pathName_;
    QString title_;
};
