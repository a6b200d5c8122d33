// Fixing a BPM by hand from the list's context menu: the new BPM shows at once and is written
// into the file's tag as a measured one is; mutagen reads it back.

#include <QDoubleSpinBox>
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
    Action("actionDoubleBpm").trigger();
    EXPECT_EQ(ColumnTexts(2), QStringList{QStringLiteral("200.00")});
    EXPECT_EQ(TagOf("song.mp3"), "Song 200.00\n");
    Action("actionHalveBpm").trigger();
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
    Action("actionSetBpm").trigger();
    EXPECT_EQ(shownAtStart, 100.0);
    EXPECT_EQ(ColumnTexts(2), QStringList{QStringLiteral("123.45")});
    EXPECT_EQ(TagOf("song.mp3"), "Song 123.45\n");

    // Halving below 40 leaves the BPM and the tag as they were, and says why.
    Action("actionHalveBpm").trigger();
    Action("actionHalveBpm").trigger();
    EXPECT_EQ(ColumnTexts(2), QStringList{QStringLiteral("61.73")});
    EXPECT_EQ(Frame().statusBar()->currentMessage(), QStringLiteral("A BPM must lie between 40.00 and 300.00"));
    EXPECT_EQ(TagOf("song.mp3"), "Song 61.73\n");
}

TEST_F(HandBpmTest, ATagThatCannotBeWrittenIsReported) {
    WriteTaggedMp3("locked.mp3", "128");
    AddEntries({{"locked.mp3", "Song", "Band", ""}});
    ASSERT_EQ(chmod(music.Str("locked.mp3").c_str(), 0444), 0);
    const std::string before = ReadFileBytes(music.Path() / "locked.mp3");
    SelectRows({0});
    Action("actionDoubleBpm").trigger();
    // The entry holds the new BPM; the file is untouched and the status bar names it.
    EXPECT_EQ(ColumnTexts(2), QStringList{QStringLiteral("256.00")});
    EXPECT_EQ(ReadFileBytes(music.Path() / "locked.mp3"), before);
    EXPECT_EQ(Frame().statusBar()->currentMessage(),
              QStringLiteral("The BPM could not be written to the tag of ") + QString::fromStdString(music.Str("locked.mp3")));
}
