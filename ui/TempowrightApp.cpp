#include "ui/TempowrightApp.h"

#include <QApplication>
#include <QPointer>
#include <QTimer>
#include <algorithm>
#include <cstdio>
#include <filesystem>

#include "catalog/Catalog.h"
#include "platform/ComInit.h"
#include "platform/Path.h"
#include "store/AnalysisStore.h"
#include "ui/AppSettings.h"
#include "ui/MainFrame.h"
#include "ui/Pictures.h"
#include "ui/QtText.h"
#include "ui/TempowrightDoc.h"
#include "ui/TempowrightView.h"

namespace {
constexpr char kDesktopFileName[] = "tempowright";

// The user's analysis store, shared by every catalog of the run; a store that cannot be used is
// reported once on stderr and skipped.
std::shared_ptr<CAnalysisStore> OpenAnalysisStore() {
    return std::make_shared<CAnalysisStore>(CAnalysisStore::DefaultPath(),
                                            [](const std::string& message) {
                                                std::fprintf(stderr, "tempowright: %s\n",
                                                             message.c_str());
                                            });
}

// The files that the command line imports rather than opens as a document ("Open with" from a
// file manager names music files and folders).
constexpr std::u16string_view kMusicExtensions[] = {u"wav", u"mp3", u"wma"};

// An argument as a file-system path; names that are not valid UTF-8 keep their bytes.
std::filesystem::path FileSystemPath(const QString& argument) {
    return std::filesystem::path(Utf16ToUtf8(ToWString(argument)));
}
}  // namespace

bool IsImportArgument(const QString& argument) {
    std::error_code error;
    if (std::filesystem::is_directory(FileSystemPath(argument), error)) return true;
    const WString extension = PathExtension(ToWString(argument));
    return std::find(std::begin(kMusicExtensions), std::end(kMusicExtensions), extension) !=
           std::end(kMusicExtensions);
}

namespace {
// The argument made absolute against the current folder, as the system's text.
WString AbsolutePath(const QString& argument) {
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(FileSystemPath(argument), error);
    return error ? ToWString(argument) : Utf8ToUtf16(absolute.lexically_normal().string());
}

// Imports `paths` as a drop onto the list does, once the event loop runs.
void ImportWhenShown(CTempowrightView* view, const QStringList& paths) {
    if (paths.isEmpty()) return;
    ComPtr<CFileList> files(new CFileList);
    for (const QString& path : paths) files->Add(AbsolutePath(path));
    QPointer<CTempowrightView> target(view);
    QTimer::singleShot(0, view, [target, files] {
        if (target) target->ImportPaths(*files.Get());
    });
}
}  // namespace

ShellCommand ParseShellCommand(const QStringList& arguments) {
    ShellCommand command;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& argument = arguments[i];
        if (argument.isEmpty() || argument.startsWith(u'-')) continue;
        if (IsImportArgument(argument)) {
            command.imports << argument;
        } else if (command.kind == ShellCommand::Kind::FileNew) {
            command.kind = ShellCommand::Kind::FileOpen;
            command.file = argument;
        }
    }
    return command;
}

CTempowrightApp::CTempowrightApp() = default;

CTempowrightApp::~CTempowrightApp() { ExitInstance(); }

bool CTempowrightApp::InitInstance(const QStringList& arguments) {
    // 1. The widget system and the program's identity on the desktop.
    if (!QApplication::instance()) return false;
    QGuiApplication::setDesktopFileName(QLatin1String(kDesktopFileName));
    QApplication::setWindowIcon(ProgramIcon());

    // 2. Settings are read and written where they are used (CAppSettings).

    // 3. The object system of this thread (drag and drop and the components use it).
    if (FAILED(CoInitialize())) return false;
    comInitialised_ = true;

    // 4. The document.
    document_ = std::make_unique<CTempowrightDoc>();

    // 5. The command line.
    const ShellCommand command = ParseShellCommand(arguments);

    // 6. The engine and its one catalog, which starts the build manager: as many workers as
    //    the settings ask for, all at the background priority so the desktop stays responsive.
    engine_ = ComPtr<CQmEngine>(new CQmEngine);
    CatalogOptions catalogOptions;
    catalogOptions.buildWorkers = CAppSettings().Workers();
    catalogOptions.buildPriority = ThreadPriority::Lowest;
    catalogOptions.store = OpenAnalysisStore();
    engine_->SetCatalogHooks(CCatalog::EngineHooks(catalogOptions));
    SetGlobalEngine(engine_.Get());
    engine_->NewCatalog();

    // 7. The shell command: the main window with its list, and a new or opened document.
    frame_ = std::make_unique<CMainFrame>(*document_);
    if (command.kind == ShellCommand::Kind::FileOpen && !document_->OnOpenDocument(command.file))
        return false;

    // 8. Show the window; then import what the command line named.
    frame_->show();
    ImportWhenShown(frame_->View(), command.imports);
    return true;
}

void CTempowrightApp::ExitInstance() {
    frame_.reset();
    if (engine_) {
        engine_->CloseCatalog();
        SetGlobalEngine(nullptr);
        engine_.Reset();
    }
    document_.reset();
    if (comInitialised_) {
        CoUninitialize();
        comInitialised_ = false;
    }
}
