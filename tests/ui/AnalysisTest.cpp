#include <QAbstractButton>
#include <QElapsedTimer>
#include <QRegularExpression>
#include <map>

#include "catalog/CatItem.h"
#include "tests/ui/UiFixture.h"
#include "ui/CatalogRowModel.h"
#include "ui/EngineAccess.h"
#include "ui/QtText.h"

using AnalysisInListTest = UiFixture;

namespace {
const QRegularExpression kPercent(QStringLiteral("^\\d{1,3}%$"));
const QRegularExpression kBpm(QStringLiteral("^\\d{2,3}\\.\\d\\d$"));

QString Str(const std::filesystem::path& path) { return QString::fromStdString(path.string()); }
}  // namespace

TEST_F(AnalysisInListTest, BpmCellsCountUpAndEndWithTheTempo) {
    WriteClickTrack(music.Path() / "a.wav", 120.0, 45.0);
    WriteClickTrack(music.Path() / "b.wav", 128.0, 45.0);
    // Every text each row's BPM cell shows, in order.
    std::map<std::uint32_t, QStringList> shown;
    QObject::connect(&View().Rows(), &QAbstractItemModel::dataChanged,
                     [&](const QModelIndex& from, const QModelIndex& to) {
                         for (int r = from.row(); r <= to.row(); ++r)
                             shown[View().Rows().IdAt(r)] << View().Rows().CellText(r, 2);
                     });
    AnswerFileDialog(QStringLiteral("importDirectoryDialog"), Str(music.Path()));
    Action("actionImport").trigger();
    ASSERT_EQ(View().Rows().rowCount(), 2);

    const auto finished = [&] {
        const QStringList cells = ColumnTexts(2);
        return std::all_of(cells.begin(), cells.end(), [](const QString& s) { return kBpm.match(s).hasMatch(); });
    };
    ASSERT_TRUE(WaitFor(finished, 240000));
    ASSERT_EQ(shown.size(), 2u);
    for (const auto& [id, texts] : shown) {
        // Percentages that never go down, then the tempo.
        ASSERT_GE(texts.size(), 2) << id;
        int last = -1;
        for (qsizetype i = 0; i + 1 < texts.size(); ++i) {
            ASSERT_TRUE(kPercent.match(texts[i]).hasMatch()) << texts[i].toStdString();
            const int percent = texts[i].chopped(1).toInt();
            EXPECT_GE(percent, last);
            last = percent;
        }
        EXPECT_TRUE(kBpm.match(texts.last()).hasMatch()) << texts.last().toStdString();
    }
    // Each cell shows what the entry holds.
    for (int r = 0; r < 2; ++r) {
        ComPtr<CCatItem> item;
        ASSERT_EQ(Catalog()->GetItem(View().Rows().IdAt(r), item.Out()), S_OK);
        WString bpm;
        item->GetFieldText(kFieldBpm, bpm);
        EXPECT_EQ(View().Rows().CellText(r, 2), ToQString(bpm));
    }

    // Rescan empties every BPM cell at once; the cells fill in again as analyses finish.
    Action("actionRescan").trigger();
    EXPECT_EQ(ColumnTexts(2), (QStringList{QString(), QString()}));
    EXPECT_TRUE(WaitFor(finished, 240000));
}

TEST_F(AnalysisInListTest, ClosingWhileAnalysesRunHidesThenAsksThenStops) {
    StopApp();
    const int threadsBefore = ThreadCount();
    StartApp();
    for (const char* name : {"1.wav", "2.wav", "3.wav", "4.wav", "5.wav", "6.wav"})
        WriteClickTrack(music.Path() / name, 125.0, 60.0);
    {
        ComPtr<ICatalog> catalog = Catalog();
        ComPtr<IProgressStatus> status;
        CBstr folder(music.W(""));
        ASSERT_EQ(catalog->ImportDirectory(folder.Get(), status.Out()), S_OK);
        ASSERT_TRUE(WaitFor([&] { return status->IsDone() == S_OK; }));
    }
    View().RefreshList();
    ASSERT_TRUE(WaitFor([&] {
        const QStringList cells = ColumnTexts(2);
        return std::any_of(cells.begin(), cells.end(), [](const QString& s) { return kPercent.match(s).hasMatch(); });
    }, 120000));

    bool hidden = false;
    bool catalogAliveDuringDialog = false;
    int threadsDuringDialog = 0;
    WhenModalShows(QStringLiteral("exitDialog"), [&](QWidget& dialog) {
        hidden = !Frame().isVisible();
        catalogAliveDuringDialog = static_cast<bool>(EngineCatalog());
        threadsDuringDialog = ThreadCount();
        dialog.findChild<QAbstractButton*>(QStringLiteral("closeButton"))->click();
    });
    Frame().close();
    EXPECT_TRUE(hidden);
    EXPECT_TRUE(catalogAliveDuringDialog);
    EXPECT_GT(threadsDuringDialog, threadsBefore);  // the build worker still runs

    QElapsedTimer clock;
    clock.start();
    StopApp();
    EXPECT_LT(clock.elapsed(), 10000);  // the running analysis stops at its cancel check
    // The import's worker ends by itself after its last step and may still be leaving on a busy
    // machine; every thread is gone within moments, none stays.
    EXPECT_TRUE(WaitFor([&] { return ThreadCount() <= threadsBefore; }, 5000)) << ThreadCount();
}
