#include "tests/ui/UiFixture.h"

#include <stdlib.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QFileDialog>
#include <QLineEdit>
#include <QThread>
#include <QTimer>
#include <fstream>
#include <memory>

#include "catalog/CatItem.h"
#include "catalog/Catalog.h"
#include "tests/support/Signals.h"
#include "tests/support/WavWriter.h"
#include "ui/AppSettings.h"
#include "ui/CatalogRowModel.h"
#include "ui/EngineAccess.h"
#include "ui/QtText.h"

namespace {
constexpr int kPollMs = 10;
constexpr std::uint32_t kIdleWaitMs = 20000;
}  // namespace

void UiFixture::SetUp() {
    setenv("TEMPOWRIGHT_COMPONENT_DIR", noComponents.Path().c_str(), 1);
    // Each test has an analysis store of its own: nothing measured by another test is found.
    setenv("XDG_DATA_HOME", dataHome.Path().c_str(), 1);
    CAppSettings::UseDirectory(QString::fromStdString(settingsDir.Path().string()));
    StartApp();
}

void UiFixture::TearDown() { StopApp(); }

void UiFixture::StartApp() {
    app_ = std::make_unique<CTempowrightApp>();
    ASSERT_TRUE(app_->InitInstance({QStringLiteral("tempowright")}));
}

void UiFixture::StopApp() {
    if (!app_) return;
    app_->ExitInstance();
    app_.reset();
}

ComPtr<ICatalog> UiFixture::Catalog() { return EngineCatalog(); }

QAction& UiFixture::Action(const char* name) {
    auto* action = Frame().findChild<QAction*>(QLatin1String(name));
    EXPECT_NE(action, nullptr) << name;
    return *action;
}

std::vector<std::uint32_t> UiFixture::AddEntries(const std::vector<EntrySpec>& entries) {
    ComPtr<ICatalog> catalog = Catalog();
    auto* concrete = static_cast<CCatalog*>(catalog.Get());
    std::vector<std::uint32_t> ids;
    for (const EntrySpec& entry : entries) {
        const WString path = music.W(entry.name);
        concrete->AddFile(path);
        CatItemVector items;
        catalog->GetItems(&items);
        for (const ComPtr<CCatItem>& item : items) {
            if (item->GetPath() == path) {
                ids.push_back(item->GetId());
                item->SetFieldText(kFieldTitle, Utf8ToUtf16(entry.title));
                item->SetFieldText(kFieldArtist, Utf8ToUtf16(entry.artist));
                if (!entry.bpm.empty()) item->SetFieldText(kFieldBpm, Utf8ToUtf16(entry.bpm));
            }
        }
    }
    // The files do not exist, so their analyses fail and leave the entries as set here; what
    // the failed builds posted is drained before the list is rebuilt.
    EXPECT_EQ(catalog->WaitForBuildsIdle(kIdleWaitMs), S_OK);
    Frame().DrainUiUpdates();
    View().RefreshList();
    return ids;
}

QStringList UiFixture::ColumnTexts(int column) {
    QStringList texts;
    const CCatalogRowModel& rows = View().Rows();
    for (int r = 0; r < rows.rowCount(); ++r) texts << rows.CellText(r, column);
    return texts;
}

void UiFixture::SelectRows(const std::vector<int>& rows) {
    View().clearSelection();
    for (int r : rows)
        View().selectionModel()->select(View().Rows().index(r, 0),
                                        QItemSelectionModel::Select | QItemSelectionModel::Rows);
}

bool WaitFor(const std::function<bool()>& done, int timeoutMs) {
    QElapsedTimer clock;
    clock.start();
    while (!done()) {
        if (clock.elapsed() > timeoutMs) return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, kPollMs);
        QThread::msleep(1);
    }
    return true;
}

void WhenModalShows(const QString& objectName, std::function<void(QWidget&)> act) {
    auto* poll = new QTimer;
    poll->setInterval(kPollMs);
    QObject::connect(poll, &QTimer::timeout, [poll, objectName, act] {
        QWidget* modal = QApplication::activeModalWidget();
        if (!modal || modal->objectName() != objectName || !modal->isVisible()) return;
        poll->stop();
        poll->deleteLater();
        act(*modal);
    });
    poll->start();
}

void AnswerFileDialog(const QString& objectName, const QString& path,
                                 QString* shownDirectory) {
    WhenModalShows(objectName, [path, shownDirectory](QWidget& widget) {
        auto& dialog = static_cast<QFileDialog&>(widget);
        if (shownDirectory) *shownDirectory = dialog.directory().absolutePath();
        if (dialog.fileMode() == QFileDialog::Directory) {
            dialog.setDirectory(path);
        } else if (auto* name = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
            name->setText(path);  // typed, so that any path is taken as it is
        } else {
            dialog.selectFile(path);
        }
        static_cast<QDialog&>(dialog).accept();
    });
}

void WriteClickTrack(const std::filesystem::path& path, double bpm, double seconds) {
    const WavLayout layout;
    const auto frames = static_cast<std::size_t>(seconds * layout.rate);
    WriteWav(path, layout, Clicks(bpm, layout.rate, frames));
}

int ThreadCount() {
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line))
        if (line.rfind("Threads:", 0) == 0) return std::stoi(line.substr(8));
    return -1;
}
