// Rows whose analysis failed: what the BPM cell shows, where they sort, and what the status bar
// says when one is selected.

#include <QStatusBar>

#include "catalog/CatItem.h"
#include "tests/ui/UiFixture.h"
#include "ui/CatalogRowModel.h"

using AnalysisOutcomeTest = UiFixture;

namespace {
QStringList L(std::initializer_list<const char*> texts) {
    QStringList out;
    for (const char* t : texts) out << QString::fromUtf8(t);
    return out;
}
}  // namespace

TEST_F(AnalysisOutcomeTest, FailedAnalysesShowAsFailedSortLastAndExplainThemselves) {
    WriteFileBytes(music.Path() / "text.wav", "This is a text file, not a RIFF WAVE file.\n");
    WriteFileBytes(music.Path() / "zero.wav", "");
    AddEntries({{"a.wav", "Tagged fast", "", "120"},
                {"b.wav", "Tagged slow", "", "90"},
                {"gone.wav", "Gone", "", ""},
                {"text.wav", "Text", "", ""},
                {"zero.wav", "Zero", "", ""}});
    // Rows in path order; the three analyses failed (a missing file, a text file, an empty
    // file) and say so instead of an empty cell or a percentage.
    EXPECT_EQ(ColumnTexts(2), L({"120.00", "90.00", "failed", "failed", "failed"}));

    // Failed rows come after every number, in both directions.
    View().OnColumnClick(2);  // descending at first
    EXPECT_EQ(ColumnTexts(2), L({"120.00", "90.00", "failed", "failed", "failed"}));
    View().OnColumnClick(2);
    EXPECT_EQ(ColumnTexts(2), L({"90.00", "120.00", "failed", "failed", "failed"}));
    EXPECT_EQ(ColumnTexts(0).mid(2), L({"Gone", "Text", "Zero"}));  // equal rows keep their order

    // Selecting a failed row tells why; selecting another row takes the explanation away, but
    // leaves another command's message alone.
    SelectRows({2});
    EXPECT_EQ(Frame().statusBar()->currentMessage(), QStringLiteral("Analysis failed: the file is not there"));
    SelectRows({3});
    EXPECT_EQ(Frame().statusBar()->currentMessage(), QStringLiteral("Analysis failed: not a readable audio file"));
    SelectRows({4});
    EXPECT_EQ(Frame().statusBar()->currentMessage(), QStringLiteral("Analysis failed: not a readable audio file"));
    SelectRows({0});
    EXPECT_EQ(Frame().statusBar()->currentMessage(), QString());
    Frame().statusBar()->showMessage(QStringLiteral("other"));
    SelectRows({1});
    EXPECT_EQ(Frame().statusBar()->currentMessage(), QStringLiteral("other"));

    // A BPM given to a failed entry shows instead of the failure.
    ComPtr<CCatItem> item;
    ASSERT_EQ(Catalog()->GetItem(View().Rows().IdAt(2), item.Out()), S_OK);
    item->SetBpm(101.0f);
    View().UpdateRow(item->GetId());
    EXPECT_EQ(View().Rows().CellText(2, 2), QStringLiteral("101.00"));
}

TEST_F(AnalysisOutcomeTest, ARescanForgetsTheFailureAndAGoodFileAnalysesAfterwards) {
    WriteFileBytes(music.Path() / "late.wav", "");
    const std::vector<std::uint32_t> ids = AddEntries({{"late.wav", "Late", "", ""}});
    ASSERT_EQ(ColumnTexts(2), L({"failed"}));
    // The file becomes a real track; a rescan analyses it again and the failure is gone.
    WriteClickTrack(music.Path() / "late.wav", 120.0, 12.0);
    ASSERT_EQ(Catalog()->Reanalyze(ids[0]), S_OK);
    View().UpdateRow(ids[0]);
    EXPECT_NE(View().Rows().CellText(0, 2), QStringLiteral("failed"));
    ASSERT_TRUE(WaitFor([&] { return View().Rows().CellText(0, 2).contains(u'.'); }, 120000))
        << View().Rows().CellText(0, 2).toStdString();
}
