#pragma once
// The application object: starts the program in order (settings, object system, document,
// command line, the engine and its catalog, the main window) and shuts it down (the window, then
// the catalog with its workers, then the engine).
//
// It is not the QApplication: the caller creates that first, so a test can start and stop the
// program several times in one process.

#include <QString>
#include <QStringList>
#include <memory>

#include "core/QmEngine.h"

class CMainFrame;
class CTempowrightDoc;

// What the command line asks for: a new, empty document, or opening a document file; and the
// folders and music files to import once the window shows.
struct ShellCommand {
    enum class Kind { FileNew, FileOpen };
    Kind kind = Kind::FileNew;
    QString file;
    QStringList imports;
};

// Reads the program's arguments (the first is the program itself); switches (beginning with
// "-") are ignored. A folder, or a file whose extension is a music file's (wav, mp3, wma, in
// any letter case, whether the file exists or not), is imported, in the order given; the first
// other argument names a document to open.
ShellCommand ParseShellCommand(const QStringList& arguments);

class CTempowrightApp {
public:
    CTempowrightApp();
    ~CTempowrightApp();
    CTempowrightApp(const CTempowrightApp&) = delete;
    CTempowrightApp& operator=(const CTempowrightApp&) = delete;

    // Starts the program and shows the main window. False when it must end: no QApplication,
    // the object system cannot start, or the document named on the command line cannot be
    // opened. Folders and music files named on the command line are imported as a drop is,
    // once the event loop runs with the window shown.
    bool InitInstance(const QStringList& arguments);
    // Closes the main window's objects, shuts the catalog down (stopping the build manager) and
    // releases the engine. Safe to call more than once.
    void ExitInstance();

    CMainFrame* MainFrame() const { return frame_.get(); }
    CTempowrightDoc* Document() const { return document_.get(); }

private:
    bool comInitialised_ = false;
    ComPtr<CQmEngine> engine_;
    std::unique_ptr<CTempowrightDoc> document_;
    std::unique_ptr<CMainFrame> frame_;
};
