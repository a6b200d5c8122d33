#include <QAbstractButton>
#include <QFile>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QSettings>
#include <QMenuBar>
#include <QStatusBar>
#include <QTest>
#include <QToolBar>
#include <QToolButton>

#include "catalog/CatItem.h"
#include "tests/ui/UiFixture.h"
#include "tests/ui/UrlRecorder.h"
#include "ui/AppSettings.h"
#include "ui/BannerButton.h"
#include "ui/CatalogRowModel.h"
#include "ui/EngineAccess.h"
#include "ui/ExitDlg.h"
#include "ui/TempowrightDoc.h"
#include "ui/WebPages.h"

using MainFrameTest = UiFixture;

namespace {
QString Str(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }

QList<int> CommandIds(const QToolBar& bar) {
    QList<int> ids;
    for (QAction* action : bar.actions()) ids << action->data().toInt();
    return ids;
}
}  // namespace

TEST_F(MainFrameTest, StartsWithTwoToolbarsTheListAndAStatusBarButNoMenu) {
    EXPECT_EQ(Frame().menuWidget(), nullptr);
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Quillmarsh Tempowright"));
    EXPECT_EQ(Frame().size(), QSize(490, 600));
    EXPECT_TRUE(Frame().isVisible());

    const QList<QToolBar*> bars = Frame().findChildren<QToolBar*>();
    ASSERT_EQ(bars.size(), 2);
    auto* banner = Frame().findChild<QToolBar*>(QStringLiteral("bannerBar"));
    auto* main = Frame().findChild<QToolBar*>(QStringLiteral("mainToolBar"));
    ASSERT_TRUE(banner && main);
    EXPECT_TRUE(banner->windowTitle().isEmpty());
    EXPECT_LT(banner->y(), main->y());  // the banner row is on top
    EXPECT_EQ(CommandIds(*main), (QList<int>{32771, 32775, 32773, 57607, 32790, 32791, 57670}));
    EXPECT_EQ(CommandIds(*banner).last(), 57670);
    auto* bannerButton = banner->findChild<CBannerButton*>();
    ASSERT_NE(bannerButton, nullptr);
    EXPECT_EQ(bannerButton->sizeHint().width(), 2000);
    // In the window's first width the banner fills its bar and the bar's Help stays in view.
    EXPECT_TRUE(banner->widgetForAction(&Action("actionHelp"))->isVisible());
    EXPECT_GT(bannerButton->width(), 300);
    EXPECT_EQ(main->iconSize(), QSize(20, 20));

    ASSERT_NE(Frame().findChild<QStatusBar*>(), nullptr);
    EXPECT_EQ(Frame().statusBar()->findChild<QLabel*>(QStringLiteral("idleMessage"))->text(),
              QStringLiteral("Ready"));
    EXPECT_EQ(Action("actionImport").statusTip(), QStringLiteral("Import music files"));
    EXPECT_EQ(Action("actionExport").statusTip(), QStringLiteral("Export to text file"));
    EXPECT_EQ(Action("actionRescan").statusTip(), QStringLiteral("Rescan BPM for all files"));
    EXPECT_EQ(Action("actionPrint").statusTip(), QStringLiteral("Print"));
    EXPECT_EQ(Action("actionHelp").statusTip(), QStringLiteral("Help with Tempowright"));
    EXPECT_EQ(Action("actionDelete").shortcuts(),
              (QList<QKeySequence>{QKeySequence(Qt::Key_Delete), QKeySequence(Qt::SHIFT | Qt::Key_Delete),
                                   QKeySequence(Qt::CTRL | Qt::Key_X)}));

    auto* timer = Frame().findChild<QTimer*>(QStringLiteral("uiUpdateTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_TRUE(timer->isActive());
    EXPECT_EQ(timer->interval(), 25);

    CTempowrightView& view = View();
    EXPECT_EQ(Frame().centralWidget(), &view);
    ASSERT_EQ(view.model()->columnCount(), 4);
    const QStringList headings = {QStringLiteral("TITLE"), QStringLiteral("ARTIST"), QStringLiteral("BPM"),
                                  QStringLiteral("KEY")};
    const int widths[] = {200, 200, 60, 50};
    for (int c = 0; c < 4; ++c) {
        EXPECT_EQ(view.model()->headerData(c, Qt::Horizontal), headings[c]);
        EXPECT_EQ(view.header()->sectionSize(c), widths[c]);
    }
    EXPECT_EQ(view.selectionBehavior(), QAbstractItemView::SelectRows);
    EXPECT_EQ(view.selectionMode(), QAbstractItemView::ExtendedSelection);
    EXPECT_EQ(view.palette().color(QPalette::Text), QColor(66, 170, 255));
    EXPECT_EQ(view.palette().color(QPalette::Base), QColor(0, 0, 0));
}

TEST_F(MainFrameTest, SavingTheDocumentWritesAnEmptyFileAndKeepsTheCaption) {
    AddEntries({{"a.wav", "Alpha", "", "120"}});
    const QString path = Str(music.Path() / "catalog.twd");
    AnswerFileDialog(QStringLiteral("saveDocumentDialog"), path);
    Action("actionFileSave").trigger();
    ASSERT_TRUE(QFileInfo::exists(path));
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_EQ(app_->Document()->PathName(), path);
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Quillmarsh Tempowright"));

    // Saving again goes to the same file without asking and leaves it empty again.
    WriteFileBytes(music.Path() / "catalog.twd", "left over");
    Action("actionFileSave").trigger();
    EXPECT_EQ(QFileInfo(path).size(), 0);
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Quillmarsh Tempowright"));

    // A new document and an opened one leave the columns and the rows as they are.
    Action("actionFileNew").trigger();
    EXPECT_EQ(ColumnTexts(0), QStringList{QStringLiteral("Alpha")});
    EXPECT_TRUE(app_->Document()->PathName().isEmpty());
    EXPECT_EQ(app_->Document()->Title(), QStringLiteral("Tempowright"));
    WriteFileBytes(music.Path() / "other.twd", "anything at all");
    AnswerFileDialog(QStringLiteral("openDocumentDialog"), Str(music.Path() / "other.twd"));
    Action("actionFileOpen").trigger();
    EXPECT_EQ(app_->Document()->Title(), QStringLiteral("other.twd"));
    EXPECT_EQ(View().model()->columnCount(), 4);
    EXPECT_EQ(ColumnTexts(0), QStringList{QStringLiteral("Alpha")});
    EXPECT_EQ(Frame().windowTitle(), QStringLiteral("Quillmarsh Tempowright"));
}

TEST_F(MainFrameTest, ADocumentThatCannotBeSavedIsReportedInTheStatusBar) {
    WriteFileBytes(music.Path() / "blocker", "a file, not a folder");
    const QString path = Str(music.Path() / "blocker" / "catalog.twd");
    AnswerFileDialog(QStringLiteral("saveDocumentDialog"), path);
    Action("actionFileSave").trigger();
    EXPECT_TRUE(app_->Document()->PathName().isEmpty());
    EXPECT_TRUE(Frame().statusBar()->currentMessage().contains(path));
}

TEST_F(MainFrameTest, ImportRunsUnderTheProgressDialogAndTheFolderIsRemembered) {
    for (const char* name : {"b.wav", "a.wav", "sub/c.wav", "notes.txt"}) {
        std::filesystem::create_directories((music.Path() / name).parent_path());
        WriteFileBytes(music.Path() / name, "not audio");
    }
    bool progressShown = false;
    AnswerFileDialog(QStringLiteral("importDirectoryDialog"), Str(music.Path()));
    WhenModalShows(QStringLiteral("progressDialog"), [&](QWidget&) { progressShown = true; });
    Action("actionImport").trigger();
    EXPECT_TRUE(progressShown);

    ComPtr<ICatalog> catalog = Catalog();
    std::vector<WString> paths;
    for (int r = 0; r < View().Rows().rowCount(); ++r) {
        ComPtr<CCatItem> item;
        ASSERT_EQ(catalog->GetItem(View().Rows().IdAt(r), item.Out()), S_OK);
        paths.push_back(item->GetPath());
    }
    EXPECT_EQ(paths, (std::vector<WString>{music.W("a.wav"), music.W("b.wav"), music.W("sub/c.wav")}));
    EXPECT_EQ(CAppSettings().ImportDirectory(), Str(music.Path()));

    // A new run of the program offers the same folder; importing it again adds nothing.
    StopApp();
    StartApp();
    QString offered;
    AnswerFileDialog(QStringLiteral("importDirectoryDialog"), Str(music.Path()), &offered);
    Action("actionImport").trigger();
    EXPECT_EQ(offered, Str(music.Path()));
    EXPECT_EQ(View().Rows().rowCount(), 3);
}

TEST_F(MainFrameTest, SettingsStayInTheTestFolder) {
    EXPECT_TRUE(CAppSettings().FileName().startsWith(QString::fromStdString(settingsDir.Path().string())));
    EXPECT_TRUE(CAppSettings().FileName().contains(QStringLiteral("Local AppWizard-Generated Applications")));
}

TEST_F(MainFrameTest, WorkersSettingIsAWholeNumberElseOnePerCore) {
    EXPECT_EQ(CAppSettings().Workers(), 0u);  // not set
    const std::pair<const char*, unsigned> cases[] = {{"3", 3}, {" 2 ", 2}, {"0", 0}, {"-2", 0}, {"many", 0}, {"", 0}};
    for (const auto& [text, workers] : cases) {
        {
            QSettings file(CAppSettings().FileName(), QSettings::NativeFormat);
            file.setValue(QStringLiteral("Settings/Workers"), QString::fromLatin1(text));
        }
        EXPECT_EQ(CAppSettings().Workers(), workers) << text;
    }
}

TEST_F(MainFrameTest, ExportWritesTheFileOrSaysThatItCouldNot) {
    AddEntries({{"a.wav", "Alpha", "Band", "128"}});
    const QString good = Str(music.Path() / "list.txt");
    AnswerFileDialog(QStringLiteral("exportDialog"), good);
    Action("actionExport").trigger();
    EXPECT_EQ(ReadFileBytes(music.Path() / "list.txt"),
              Utf16ToUtf8(music.W("a.wav")) + "\tAlpha\tBand\t128.00\t\r\n");
    EXPECT_TRUE(Frame().statusBar()->currentMessage().isEmpty());

    WriteFileBytes(music.Path() / "blocker", "a file, not a folder");
    const QString bad = Str(music.Path() / "blocker" / "list.txt");
    AnswerFileDialog(QStringLiteral("exportDialog"), bad);
    Action("actionExport").trigger();
    EXPECT_EQ(Frame().statusBar()->currentMessage(),
              QStringLiteral("The catalog could not be written to ") + bad);
}

TEST_F(MainFrameTest, QueuedUpdatesReachTheirRowsOnTheTimer) {
    const std::vector<std::uint32_t> ids =
        AddEntries({{"a.wav", "Alpha", "", ""}, {"b.wav", "Beta", "", "99.994"}});
    ComPtr<IUiUpdateQueue> queue = EngineQueue();
    queue->PostUpdate(1042, static_cast<std::int32_t>(ids[0]), 0);
    // The timer drains the queue without help.
    ASSERT_TRUE(WaitFor([&] { return ColumnTexts(2)[0] == QStringLiteral("42%"); }));

    queue->PostUpdate(1100, static_cast<std::int32_t>(ids[0]), 0);
    queue->PostUpdate(1101, static_cast<std::int32_t>(ids[1]), 0);  // not a progress code
    queue->PostUpdate(19, 0, 0);
    Frame().DrainUiUpdates();
    EXPECT_EQ(ColumnTexts(2), (QStringList{QStringLiteral("100%"), QStringLiteral("99.99")}));

    // Code 21: the row shows the entry as it now is.
    {
        ComPtr<CCatItem> item;
        ASSERT_EQ(Catalog()->GetItem(ids[0], item.Out()), S_OK);
        item->SetBpm(128.0f);
    }
    queue->PostUpdate(21, static_cast<std::int32_t>(ids[0]), 0);
    Frame().DrainUiUpdates();
    EXPECT_EQ(ColumnTexts(2)[0], QStringLiteral("128.00"));

    // An entry removed while queued keeps no row, and its later messages change nothing.
    Catalog()->RemoveItem(ids[1]);
    View().RefreshList();
    queue->PostUpdate(1050, static_cast<std::int32_t>(ids[1]), 0);
    queue->PostUpdate(21, static_cast<std::int32_t>(ids[1]), 0);
    Frame().DrainUiUpdates();
    EXPECT_EQ(ColumnTexts(0), QStringList{QStringLiteral("Alpha")});
    EXPECT_EQ(ColumnTexts(2), QStringList{QStringLiteral("128.00")});
}

TEST_F(MainFrameTest, HelpAndBannerOpenTheShippedPages) {
    CUrlRecorder recorder;
    Action("actionHelp").trigger();
    auto* banner = Frame().findChild<CBannerButton*>();
    QTest::mouseClick(banner, Qt::LeftButton, {}, banner->rect().center());
    auto* bannerBar = Frame().findChild<QToolBar*>(QStringLiteral("bannerBar"));
    auto* bannerHelp = qobject_cast<QToolButton*>(bannerBar->widgetForAction(&Action("actionHelp")));
    ASSERT_NE(bannerHelp, nullptr);
    bannerHelp->click();

    ASSERT_EQ(recorder.opened.size(), 3);
    EXPECT_EQ(recorder.opened[0], HelpPageUrl());
    EXPECT_EQ(recorder.opened[1], ProductPageUrl());
    EXPECT_EQ(recorder.opened[2], HelpPageUrl());
    EXPECT_TRUE(HelpPageUrl().toLocalFile().endsWith(QStringLiteral("/share/tempowright/help.html")));
    EXPECT_TRUE(ProductPageUrl().toLocalFile().endsWith(QStringLiteral("/share/tempowright/product.html")));
    // The pages are shipped beside the program.
    EXPECT_TRUE(QFileInfo::exists(HelpPageUrl().toLocalFile()));
    EXPECT_TRUE(QFileInfo::exists(ProductPageUrl().toLocalFile()));
}

TEST_F(MainFrameTest, MoreInfoOpensTheProductPageAndKeepsTheExitDialogOpen) {
    CUrlRecorder recorder;
    bool stillOpen = false;
    bool frameHidden = false;
    QString caption;
    WhenModalShows(QStringLiteral("exitDialog"), [&](QWidget& dialog) {
        frameHidden = !Frame().isVisible();
        caption = dialog.windowTitle();
        auto* moreInfo = dialog.findChild<QAbstractButton*>(QStringLiteral("moreInfoButton"));
        moreInfo->click();
        moreInfo->click();
        stillOpen = dialog.isVisible();
        dialog.findChild<QAbstractButton*>(QStringLiteral("closeButton"))->click();
    });
    Frame().close();
    EXPECT_TRUE(frameHidden);
    EXPECT_TRUE(stillOpen);
    EXPECT_EQ(caption, QStringLiteral("Thanks for using Quillmarsh Tempowright"));
    EXPECT_EQ(recorder.opened, (QList<QUrl>{ProductPageUrl(), ProductPageUrl()}));
    EXPECT_FALSE(Frame().findChild<QTimer*>(QStringLiteral("uiUpdateTimer"))->isActive());
}

TEST(Application, CommandLineAndStartFailures) {
    EXPECT_EQ(ParseShellCommand({QStringLiteral("tempowright")}).kind, ShellCommand::Kind::FileNew);
    const ShellCommand open =
        ParseShellCommand({QStringLiteral("tempowright"), QStringLiteral("-x"), QStringLiteral("doc.twd"),
                           QStringLiteral("more.twd")});
    EXPECT_EQ(open.kind, ShellCommand::Kind::FileOpen);
    EXPECT_EQ(open.file, QStringLiteral("doc.twd"));

    TempDir settings;
    CAppSettings::UseDirectory(QString::fromStdString(settings.Path().string()));
    CTempowrightApp app;
    EXPECT_FALSE(app.InitInstance({QStringLiteral("tempowright"), QStringLiteral("/no/such/document")}));
    app.ExitInstance();
    EXPECT_EQ(EngineCatalog().Get(), nullptr);
}

TEST_F(MainFrameTest, BannerTaglineKeepsWholeWordsAndNeverMeetsTheBeatBars) {
    auto* banner = Frame().findChild<CBannerButton*>();
    ASSERT_NE(banner, nullptr);
    const QString tagline = QStringLiteral("the tempo of every track, measured for DJs");
    const auto check = [&](const BannerLayout& layout, int width) {
        // Whole words from the start: all of it, a prefix that ends before a space, or nothing.
        EXPECT_TRUE(layout.tagline.isEmpty() || layout.tagline == tagline ||
                    tagline.startsWith(layout.tagline + u' '))
            << width << ": " << layout.tagline.toStdString();
        if (!layout.tagline.isEmpty()) {
            EXPECT_LT(layout.taglineRect.right(), width) << width;
        }
        if (!layout.beatsRect.isEmpty()) {
            EXPECT_EQ(layout.tagline, tagline) << width;
            EXPECT_GE(layout.beatsRect.left(), layout.taglineRect.right() + CBannerButton::kBeatsGap) << width;
            EXPECT_LT(layout.beatsRect.right(), width) << width;
        }
    };
    // In the window's first width the banner shows some of the tagline, in whole words.
    const BannerLayout first = banner->Layout();
    check(first, banner->width());
    EXPECT_FALSE(first.tagline.isEmpty());

    const QFontMetrics metrics = banner->fontMetrics();
    const int full = CBannerButton::kTaglineX + metrics.horizontalAdvance(tagline) + CBannerButton::kRightMargin;
    for (int width = 200; width <= 900; width += 7) check(LayOutBanner(width, tagline, metrics), width);
    EXPECT_EQ(LayOutBanner(full, tagline, metrics).tagline, tagline);
    EXPECT_TRUE(LayOutBanner(full, tagline, metrics).beatsRect.isEmpty());  // no room for the bars yet
    const BannerLayout wide = LayOutBanner(2000, tagline, metrics);
    EXPECT_EQ(wide.tagline, tagline);
    EXPECT_FALSE(wide.beatsRect.isEmpty());
    EXPECT_TRUE(LayOutBanner(CBannerButton::kTaglineX, tagline, metrics).tagline.isEmpty());

    // A wider window moves nothing into the tagline: the bars follow its last word.
    Frame().resize(1400, 600);
    ASSERT_TRUE(WaitFor([&] { return banner->width() > 1000; }));
    const BannerLayout wider = banner->Layout();
    EXPECT_EQ(wider.tagline, tagline);
    check(wider, banner->width());
}

TEST_F(MainFrameTest, SizePositionAndColumnWidthsAreRememberedAcrossRuns) {
    Frame().setGeometry(QRect(QPoint(120, 90), QSize(700, 480)));
    View().header()->resizeSection(0, 260);
    View().header()->resizeSection(1, 150);
    View().header()->resizeSection(2, 80);
    const QRect geometry = Frame().geometry();
    WhenModalShows(QStringLiteral("exitDialog"), [](QWidget& dialog) {
        dialog.findChild<QAbstractButton*>(QStringLiteral("closeButton"))->click();
    });
    Frame().close();
    // Kept in the same settings file as the import folder.
    const QString file = CAppSettings().FileName();
    EXPECT_TRUE(QFileInfo(file).absoluteFilePath().startsWith(Str(settingsDir.Path())));
    EXPECT_EQ(CAppSettings().ColumnWidths(), (QList<int>{260, 150, 80, 50}));
    QFile stored(file);
    ASSERT_TRUE(stored.open(QIODevice::ReadOnly));
    const QByteArray text = stored.readAll();
    EXPECT_TRUE(text.contains("Window%20Geometry=")) << text.toStdString();

    StopApp();
    StartApp();
    EXPECT_EQ(Frame().geometry(), geometry);
    EXPECT_EQ(View().header()->sectionSize(0), 260);
    EXPECT_EQ(View().header()->sectionSize(1), 150);
    EXPECT_EQ(View().header()->sectionSize(2), 80);

    // Damaged widths are ignored: the first widths apply.
    CAppSettings().SetColumnWidths({});
    StopApp();
    StartApp();
    EXPECT_EQ(View().header()->sectionSize(0), 200);
}
