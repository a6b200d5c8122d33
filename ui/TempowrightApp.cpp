#include "ui/TempowrightApp.h"

#include <QApplication>

#include <cstdio>

#include "catalog/Catalog.h"
#include "platform/ComInit.h"
#include "store/AnalysisStore.h"
#include "ui/AppSettings.h"
#include "ui/MainFrame.h"
#include "ui/Pictures.h"
#include "ui/TempowrightDoc.h"

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
}  // namespace

ShellCommand ParseShellCommand(const QStringList& arguments) {
    ShellCommand command;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        if (arguments[i].startsWith(u'-')) continue;
        command.kind = ShellCommand::Kind::FileOpen;
        command.file = arguments[i];
        break;
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

    // 8. Show the window.
    frame_->show();
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
