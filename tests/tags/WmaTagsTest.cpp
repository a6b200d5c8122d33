// Windows Media files: import and write-back through the Windows Media component's tag
// interface, checked by ffprobe in a separate process.

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>

#include "audio/ComponentIds.h"
#include "catalog/CatItem.h"
#include "tags/TrackTagReader.h"
#include "tags/TrackTagWriter.h"
#include "tests/support/TempDir.h"
#include "tests/tags/TagTestFiles.h"

namespace {
struct WmaTrack {
    WmaTrack(const std::string& name, const std::string& metadata)
        : file(dir.Str(name)), entry(new CCatItem(1, dir.W(name))) {
        MakeWma(file, metadata);
    }
    ~WmaTrack() { entry->Release(); }
    WString Field(std::int32_t id) const {
        WString text;
        entry->GetFieldText(id, text);
        return text;
    }
    TempDir dir;
    std::string file;
    CCatItem* entry;
};
}  // namespace

TEST(WmaTags, ImportsTitleArtistAndAnUnclampedTempo) {
    WmaTrack t("t.wma", "-metadata title='WMA Title' -metadata artist='WMA Ärtist'"
                        " -metadata WM/BeatsPerMinute=300.5");
    EXPECT_TRUE(ReadTrackTags(*t.entry));
    EXPECT_EQ(t.Field(kFieldTitle), u"WMA Title");
    EXPECT_EQ(t.Field(kFieldArtist), u"WMA \u00C4rtist");
    EXPECT_FLOAT_EQ(t.entry->GetBpm(), 300.5f);

    WmaTrack bare("Plain Name.wma", "-map_metadata -1 -fflags +bitexact");
    EXPECT_TRUE(ReadTrackTags(*bare.entry));
    EXPECT_EQ(bare.Field(kFieldTitle), u"Plain Name");
    EXPECT_FLOAT_EQ(bare.entry->GetBpm(), 0.0f);
}

TEST(WmaTags, WritesTheEntryTextsIntoTheAsfAttributes) {
    WmaTrack t("t.wma", "-metadata title='Old' -metadata artist='Band'");
    ASSERT_TRUE(ReadTrackTags(*t.entry));
    const std::string payload = AsfPayload(ReadFileBytes(t.file));
    t.entry->SetFieldText(kFieldTitle, u"New \u2603");
    t.entry->SetBpm(123.45f);
    EXPECT_EQ(WriteTrackTags(*t.entry), S_OK);
    EXPECT_EQ(FfprobeTag(t.file, "title"), "New \xE2\x98\x83");
    EXPECT_EQ(FfprobeTag(t.file, "artist"), "Band");
    EXPECT_EQ(FfprobeTag(t.file, "WM/BeatsPerMinute"), "123.45");
    EXPECT_EQ(AsfPayload(ReadFileBytes(t.file)), payload);
}

TEST(WmaTags, WithoutTheComponentNothingIsReadOrWritten) {
    WmaTrack t("Song.wma", "-metadata title='Tagged'");
    const std::string before = ReadFileBytes(t.file);
    TempDir empty;
    const char* saved = std::getenv("TEMPOWRIGHT_COMPONENT_DIR");
    const std::string restore = saved ? saved : "";
    setenv("TEMPOWRIGHT_COMPONENT_DIR", empty.Path().c_str(), 1);
    const bool read = ReadTrackTags(*t.entry);
    t.entry->SetBpm(120.0f);
    const HRESULT written = WriteTrackTags(*t.entry);
    setenv("TEMPOWRIGHT_COMPONENT_DIR", restore.c_str(), 1);
    EXPECT_TRUE(read);
    EXPECT_EQ(t.Field(kFieldTitle), u"Song");
    EXPECT_EQ(written, S_FALSE);
    EXPECT_EQ(ReadFileBytes(t.file), before);
}
