// Fixing a BPM by hand from the list's context menu: the new BPM is shown and written into the
// file's tag as a measured one is, away from the UI thread; mutagen reads it back.

#include <QDoubleSpinBox>
#include <QLabel>
#include <QStatusBar>
#include <sys/stat.h>

#include "catalog/CatItem.h"
#include "tests/ui/UiFixture.h"
#include "ui/CatalogRowModel.h"
#include "ui/SetBpmDlg.h"

namespace {
// The MP3 decoder is needed: the program is restarted with the build's components.
class HandBpmTest : public UiFixture {
protected:
    void SetUp() override {
        UiFixture::SetUp();
        StopApp();
        setenv("TEMPOWRIGHT_COMPONENT_DIR", TW_COMPONENT_DIR, 1);
        StartApp();
    }

    // An MP3 whose tag already carries a BPM, so that no analysis runs.
    void WriteTaggedMp3(const std::string& name, const std::string& bpm) {
        WriteClickTrack(music.Path() / "source.wav", 120.0, 3.0);
        ASSERT_EQ(RunCommand("lame --quiet --tt Song --ta Band --tv TBPM=" + bpm + " '" + music.Str("source.wav") +
                             "' '" + music.Str(name) + "'"),
                  0);
        std::filesystem::remove(music.Path() / "source.wav");
    }

    // Triggers a BPM command and waits until every entry it touched is done (the tags are
    // written away from the UI thread).
    void Fix(const char* action) {
        Action(action).trigger();
        ASSERT_TRUE(WaitFor([&] { return !View().WritingBpms(); }));
    }

    // Title and BPM of the file's ID3 tag as mutagen reads them.
    std::string TagOf(const std::string& name) {
        std::string out;
        RunCommand("/usr/bin/python3 -c 'import mutagen.id3,sys; t=mutagen.id3.ID3(sys.argv[1]); "
                   "print(t[\"TIT2\"].text[0], t[\"TBPM\"].text[0])' '" + music.Str(name) + "'", &out);
        return out;
    }
};
}  // namespace

TEST_F(HandBpmTest, DoubleHalveAndSetAreShownAndWrittenToTheTag) {
    WriteTaggedMp3("song.mp3", "100");
    AddEntries({{"song.mp3", "Song", "Band", ""}});
    ASSERT_EQ(ColumnTexts(2), QStringList{QStringLiteral("100.00")});
    ASSERT_EQ(TagOf("song.mp3"), "Song 100\n");

    // The context menu offers the three fixes.
    QStringList menu;
    for (QAction* action : View().actions())
        if (!action->isSeparator()) menu << action->objectName();
    EXPECT_EQ(menu.mid(0, 3), (QStringList{QStringLiteral("actionDoubleBpm"), QStringLiteral("actionHalveBpm"),
                                           QStringLiteral("actionSetBpm")}));
    EXPECT_EQ(View().contextMenuPolicy(), Qt::ActionsContextMenu);

    SelectRows({0});
    Fix("actionDoubleBpm");
    EXPECT_EQ(ColumnTexts(2), QStringList{QStringLiteral("200.00")});
    EXPECT_EQ(TagOf("song.mp3"), "Song 200.00\n");
    Fix("actionHalveBpm");
    EXPECT_EQ(ColumnTexts(2), QStringList{QStringLiteral("100.00")});
    EXPECT_EQ(TagOf("song.mp3"), "Song 100.00\n");

    // Set BPM: the dialog's field runs from 40.00 to 300.00 and starts at the current BPM.
    double shownAtStart = 0;
    WhenModalShows(QStringLiteral("setBpmDialog"), [&](QWidget& dialog) {
        auto* field = dialog.findChild<QDoubleSpinBox*>(QStringLiteral("bpmField"));
        ASSERT_NE(field, nullptr);
        EXPECT_EQ(field->minimum(), 40.0);
        EXPECT_EQ(field->maximum(), 300.0);
        EXPECT_EQ(field->decimals(), 2);
        shownAtStart = field->value();
        field->setValue(123.45);
        static_cast<QDialog&>(dialog).accept();
    });
    Fix("actionSetBpm");
    EXPECT_EQ(shownAtStart, 100.0);
    EXPECT_EQ(ColumnTexts(2), QStringList{QStringLiteral("123.45")});
    EXPECT_EQ(TagOf("song.mp3"), "Song 123.45\n");

    // Halving below 40 leaves the BPM and the tag as they were, and says why.
    Fix("actionHalveBpm");
    Fix("actionHalveBpm");
    EXPECT_EQ(ColumnTexts(2), QStringList{QStringLiteral("61.72")});
    EXPECT_EQ(Frame().statusBar()->currentMessage(), QStringLiteral("A BPM must lie between 40.00 and 300.00"));
    EXPECT_EQ(TagOf("song.mp3"), "Song 61.72\n");
}

TEST_F(HandBpmTest, ATagThatCannotBeWrittenIsReported) {
    WriteTaggedMp3("locked.mp3", "128");
    AddEntries({{"locked.mp3", "Song", "Band", ""}});
    ASSERT_EQ(chmod(music.Str("locked.mp3").c_str(), 0444), 0);
    const std::string before = ReadFileBytes(music.Path() / "locked.mp3");
    SelectRows({0});
    Fix("actionDoubleBpm");
    // The entry holds the new BPM; the file is untouched and the status bar names it.
    EXPECT_EQ(ColumnTexts(2), QStringList{QStringLiteral("256.00")});
    EXPECT_EQ(ReadFileBytes(music.Path() / "locked.mp3"), before);
    EXPECT_EQ(Frame().statusBar()->currentMessage(),
              QStringLiteral("The BPM could not be written to the tag of ") + QString::fromStdString(music.Str("locked.mp3")));

    // The row is marked: a warning on its BPM cell, the reason as its tooltip, and a count in
    // the status bar. Its text, and so its sort place and its report line, stay the number.
    const QModelIndex bpm = View().Rows().index(0, 2);
    EXPECT_FALSE(bpm.data(Qt::DecorationRole).isNull());
    EXPECT_EQ(bpm.data(Qt::ToolTipRole).toString(), QStringLiteral("tag not written: the file is read-only"));
    auto* count = Frame().statusBar()->findChild<QLabel*>(QStringLiteral("unwrittenTags"));
    ASSERT_NE(count, nullptr);
    EXPECT_TRUE(count->isVisible());
    EXPECT_EQ(count->text(), QStringLiteral("Tags not written: 1"));

    // Once the file may be written again, the next write clears the mark.
    ASSERT_EQ(chmod(music.Str("locked.mp3").c_str(), 0644), 0);
    Fix("actionHalveBpm");
    EXPECT_EQ(TagOf("locked.mp3"), "Song 128.00\n");
    EXPECT_TRUE(View().Rows().index(0, 2).data(Qt::DecorationRole).isNull());
    EXPECT_FALSE(count->isVisible());
}

TEST_F(HandBpmTest, MarkedRowsSortByTheirNumberAndWaveFilesAreNeverMarked) {
    WriteTaggedMp3("a.mp3", "128");
    WriteTaggedMp3("b.mp3", "90");
    // c.wav does not exist: its analysis fails and leaves the BPM given here.
    const std::vector<std::uint32_t> ids = AddEntries({{"a.mp3", "A", "", ""}, {"b.mp3", "B", "", ""},
                                                       {"c.wav", "C", "", "100"}});
    for (std::uint32_t id : ids) {
        ComPtr<CCatItem> item;
        ASSERT_EQ(Catalog()->GetItem(id, item.Out()), S_OK);
        item->SetTagWriteOutcome(id == ids[0] ? TagWriteOutcome::InUse : TagWriteOutcome::Refused);
        View().UpdateRow(id);
    }
    // a.mp3 (in use) and b.mp3 (refused) are marked; the WAVE file carries no tag of ours.
    EXPECT_EQ(View().Rows().NotedRowCount(), 2);
    View().OnColumnClick(2);  // descending by BPM
    EXPECT_EQ(ColumnTexts(2), (QStringList{QStringLiteral("128.00"), QStringLiteral("100.00"), QStringLiteral("90.00")}));
    EXPECT_EQ(View().Rows().Note(0), QStringLiteral("tag not written: the file is in use"));
    EXPECT_EQ(View().Rows().Note(1), QString());
    EXPECT_EQ(View().Rows().Note(2), QStringLiteral("tag not written: this file cannot take the tag"));
    EXPECT_EQ(Frame().statusBar()->findChild<QLabel*>(QStringLiteral("unwrittenTags"))->text(),
              QStringLiteral("Tags not written: 2"));
}

TEST_F(HandBpmTest, AnAnalysedTrackTakesAHandSetBpmToo) {
    // No BPM in the tag: the track is analysed, and its tempo written back, first.
    WriteClickTrack(music.Path() / "source.wav", 120.0, 6.0);
    ASSERT_EQ(RunCommand("lame --quiet --tt Song '" + music.Str("source.wav") + "' '" + music.Str("fresh.mp3") + "'"), 0);
    std::filesystem::remove(music.Path() / "source.wav");
    AddEntries({{"fresh.mp3", "Song", "", ""}});
    const QString measured = ColumnTexts(2).value(0);
    ASSERT_TRUE(measured.contains(u'.')) << measured.toStdString();
    ASSERT_EQ(TagOf("fresh.mp3"), "Song " + measured.toStdString() + "\n");

    // The write-back changed the file since the analysis read it; the hand-set BPM is written
    // all the same.
    WhenModalShows(QStringLiteral("setBpmDialog"), [](QWidget& dialog) {
        dialog.findChild<QDoubleSpinBox*>(QStringLiteral("bpmField"))->setValue(174.0);
        static_cast<QDialog&>(dialog).accept();
    });
    SelectRows({0});
    Fix("actionSetBpm");
    EXPECT_EQ(ColumnTexts(2), QStringList{QStringLiteral("174.00")});
    EXPECT_EQ(TagOf("fresh.mp3"), "Song 174.00\n");
    EXPECT_EQ(View().Rows().NotedRowCount(), 0);
}

TEST_F(HandBpmTest, CommandsInQuickSuccessionBuildOnEachOtherAndClosingFinishesThem) {
    const std::vector<std::string> names = {"a.mp3", "b.mp3", "c.mp3", "d.mp3"};
    for (const std::string& name : names) WriteTaggedMp3(name, "50");
    AddEntries({{"a.mp3", "Song", "", ""}, {"b.mp3", "Song", "", ""}, {"c.mp3", "Song", "", ""},
                {"d.mp3", "Song", "", ""}});
    SelectRows({0, 1, 2, 3});
    // The second command is given before the first has written anything: it doubles the BPM
    // the first one set, not the one the rows showed when it was given.
    Action("actionDoubleBpm").trigger();
    Action("actionDoubleBpm").trigger();
    ASSERT_TRUE(WaitFor([&] { return !View().WritingBpms(); }));
    EXPECT_EQ(ColumnTexts(2), QStringList(4, QStringLiteral("200.00")));
    for (const std::string& name : names) EXPECT_EQ(TagOf(name), "Song 200.00\n") << name;

    // Closing the program right after a command still writes every tag it asked for.
    Action("actionHalveBpm").trigger();
    StopApp();
    for (const std::string& name : names) EXPECT_EQ(TagOf(name), "Song 100.00\n") << name;
}
