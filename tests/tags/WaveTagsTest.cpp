// WAVE files' own tags: an ID3 chunk (as mutagen writes it, or by hand) and the INFO list,
// imported in that order; the files themselves are never written.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/ComponentIds.h"
#include "catalog/CatItem.h"
#include "tags/TrackTagReader.h"
#include "tags/TrackTagWriter.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavWriter.h"
#include "tests/tags/TagTestFiles.h"

namespace {

std::string Samples() {
    return RiffChunk("fmt ", FmtChunkBody(WavLayout{})) +
           RiffChunk("data", EncodeSamples(std::vector<float>(2000, 0.1f), WavLayout{}));
}

std::string InfoList(const std::string& title, const std::string& artist) {
    return RiffChunk("LIST", "INFO" + RiffChunk("ISFT", std::string("Writer\0", 7)) +
                                 RiffChunk("INAM", title + '\0') +
                                 RiffChunk("IART", artist + '\0'));
}

struct ImportedWave {
    ImportedWave(const TempDir& dir, const std::string& name, const std::string& bytes)
        : file(dir.Str(name)), entry(new CCatItem(1, dir.W(name))) {
        WriteFileBytes(file, bytes);
        EXPECT_TRUE(ReadTrackTags(*entry));
    }
    ~ImportedWave() { entry->Release(); }
    WString Field(std::int32_t id) const {
        WString text;
        entry->GetFieldText(id, text);
        return text;
    }
    // Gives the entry a measured tempo, writes it back and tells whether the file is unchanged.
    bool UnchangedByWriteBack(const std::string& bytes) {
        entry->SetBpm(128.0f);
        WriteTrackTags(*entry);
        return ReadFileBytes(file) == bytes;
    }
    std::string file;
    CCatItem* entry;
};

}  // namespace

TEST(WaveTags, InfoListGivesTitleAndArtist) {
    TempDir dir;
    const std::string bytes =
        RiffWave(Samples() + InfoList("Info Titel \xE4", "Info Artist"));  // Windows-1252 ä
    ImportedWave wave(dir, "info.wav", bytes);
    EXPECT_EQ(wave.Field(kFieldTitle), u"Info Titel \u00e4");
    EXPECT_EQ(wave.Field(kFieldArtist), u"Info Artist");
    EXPECT_FLOAT_EQ(wave.entry->GetBpm(), 0.0f);
    EXPECT_TRUE(wave.UnchangedByWriteBack(bytes));
}

TEST(WaveTags, Id3ChunkWrittenByMutagenComesBeforeTheInfoList) {
    TempDir dir;
    const std::string file = dir.Str("both.wav");
    WriteFileBytes(file, RiffWave(Samples() + InfoList("Info Title", "Info Artist")));
    ASSERT_EQ(RunPython("import sys\nfrom mutagen.wave import WAVE\nfrom mutagen.id3 import "
                        "TIT2, TPE1, TBPM\nf = WAVE(sys.argv[1])\nf.add_tags()\n"
                        "f.tags.add(TIT2(encoding=3, text='Id3 T\\u00eftle'))\n"
                        "f.tags.add(TPE1(encoding=3, text='Id3 Artist'))\n"
                        "f.tags.add(TBPM(encoding=0, text='97.5'))\nf.save()",
                        file),
              0);
    const std::string bytes = ReadFileBytes(file);
    ASSERT_NE(bytes.find("id3 "), std::string::npos);

    ImportedWave wave(dir, "both.wav", bytes);
    EXPECT_EQ(wave.Field(kFieldTitle), u"Id3 T\u00eftle");
    EXPECT_EQ(wave.Field(kFieldArtist), u"Id3 Artist");
    EXPECT_FLOAT_EQ(wave.entry->GetBpm(), 97.5f);
    EXPECT_TRUE(wave.UnchangedByWriteBack(bytes));
}

TEST(WaveTags, AnId3ChunkWithOnlyATempoLeavesTitleAndArtistToTheInfoList) {
    TempDir dir;
    const std::string id3 = Id3v2Tag(3, 0, V23Frame("TBPM", Latin1Body("140")), 16);
    const std::string bytes =
        RiffWave(RiffChunk("ID3 ", id3) + Samples() + InfoList("From Info", "Info Band"));
    ImportedWave wave(dir, "tempo.wav", bytes);
    EXPECT_EQ(wave.Field(kFieldTitle), u"From Info");
    EXPECT_EQ(wave.Field(kFieldArtist), u"Info Band");
    EXPECT_FLOAT_EQ(wave.entry->GetBpm(), 140.0f);

    // A WAVE file named ".mp3" is read the same way and still never written.
    ImportedWave misnamed(dir, "tempo.mp3", bytes);
    EXPECT_EQ(misnamed.Field(kFieldTitle), u"From Info");
    EXPECT_TRUE(misnamed.UnchangedByWriteBack(bytes));
}

TEST(WaveTags, DamagedTagChunksGiveWhatTheyHoldAndNoMore) {
    TempDir dir;
    // An ID3 chunk holding no tag, and an INFO list whose entry claims more than it holds.
    const std::string bytes =
        RiffWave(RiffChunk("id3 ", "not a tag") + Samples() +
                 RiffChunk("LIST", "INFO" + RiffChunkWithSize("INAM", 5000, "Cut")));
    ImportedWave wave(dir, "Fallback Name.wav", bytes);
    EXPECT_EQ(wave.Field(kFieldTitle), u"Cut");

    const std::string empty = RiffWave(RiffChunk("id3 ", "not a tag") + Samples());
    ImportedWave plain(dir, "Plain Name.wav", empty);
    EXPECT_EQ(plain.Field(kFieldTitle), u"Plain Name");
}
