// Windows Media files shaped like those other programs write (cover pictures of every size,
// title and author only in the content description, many attributes, a damaged header), taken
// through tag import and write-back. After every save the file must keep every attribute it
// had, still decode (in FFmpeg and in the component), and give back what was written.

#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/file.h>
#include <sys/time.h>
#include <unistd.h>

#include <cstdlib>
#include <ctime>
#include <filesystem>
#include <string>

#include "audio/ComponentIds.h"
#include "catalog/CatItem.h"
#include "tags/FileIdentity.h"
#include "tags/TagWriteOutcome.h"
#include "tags/TrackTagReader.h"
#include "tags/TrackTagWriter.h"
#include "tests/support/TempDir.h"
#include "tests/tags/TagTestFiles.h"
#include "tests/tags/WmaFixtures.h"

namespace {

// A fresh catalog entry for the file, imported the way the catalog imports it.
class ImportedEntry {
public:
    explicit ImportedEntry(const WString& path) : entry_(new CCatItem(1, path)) {
        ReadTrackTags(*entry_);
    }
    ~ImportedEntry() { entry_->Release(); }
    ImportedEntry(const ImportedEntry&) = delete;
    ImportedEntry& operator=(const ImportedEntry&) = delete;

    CCatItem& operator*() { return *entry_; }
    CCatItem* operator->() { return entry_; }
    WString Field(std::int32_t id) const {
        WString text;
        entry_->GetFieldText(id, text);
        return text;
    }

private:
    CCatItem* entry_;
};

// Measures a tempo for the file's entry and writes it back; returns the write-back's result.
HRESULT WriteBackTempo(const WString& path, float bpm) {
    ImportedEntry entry(path);
    entry->SetBpm(bpm);
    return WriteTrackTags(*entry);
}

}  // namespace

TEST(WmaRealFiles, CoverPicturesOfAnySizeKeepTitleArtistAndGainTheTempo) {
    for (const std::size_t pictureBytes : {1000u, 100000u, 1000000u}) {
        SCOPED_TRACE(pictureBytes);
        TempDir dir;
        const std::string file = dir.Str("cover.wma");
        MakeWma(file, "-metadata title='Covered Song' -metadata artist='Pictured Band'");
        AddWmaPicture(file, pictureBytes);
        const std::string attributesBefore = MutagenAsfAttributes(file);
        ASSERT_NE(attributesBefore.find("WM/Picture=<"), std::string::npos);
        const std::string payload = AsfPayload(ReadFileBytes(file));

        {
            ImportedEntry entry(dir.W("cover.wma"));
            EXPECT_EQ(entry.Field(kFieldTitle), u"Covered Song");
            EXPECT_EQ(entry.Field(kFieldArtist), u"Pictured Band");
            EXPECT_FLOAT_EQ(entry->GetBpm(), 0.0f);
        }
        EXPECT_EQ(WriteBackTempo(dir.W("cover.wma"), 126.5f), S_OK);

        EXPECT_EQ(MutagenAsfAttributes(file),
                  WithSortedLine(attributesBefore, "WM/BeatsPerMinute=126.50"));
        EXPECT_EQ(AsfPayload(ReadFileBytes(file)), payload);
        EXPECT_TRUE(FfmpegDecodesCleanly(file));
        EXPECT_GT(ComponentDecodedFrames(file), 0u);

        ImportedEntry again(dir.W("cover.wma"));
        EXPECT_EQ(again.Field(kFieldTitle), u"Covered Song");
        EXPECT_FLOAT_EQ(again->GetBpm(), 126.5f);
    }
}

TEST(WmaRealFiles, TitleAndAuthorOnlyInTheContentDescription) {
    TempDir dir;
    const std::string file = dir.Str("described.wma");
    MakeWma(file, "-map_metadata -1 -fflags +bitexact");
    EditWmaWithMutagen(file, "f['Title'] = ['Se\\u00f1or Flamingos Adieu']\n"
                             "f['Author'] = ['Die \\u00c4rzte']");
    ASSERT_EQ(MutagenAsfAttributes(file), "Author=Die \xc3\x84rzte\nTitle=Se\xc3\xb1or Flamingos Adieu");

    {
        ImportedEntry entry(dir.W("described.wma"));
        EXPECT_EQ(entry.Field(kFieldTitle), u"Se\u00f1or Flamingos Adieu");
        EXPECT_EQ(entry.Field(kFieldArtist), u"Die \u00c4rzte");
    }
    EXPECT_EQ(WriteBackTempo(dir.W("described.wma"), 99.0f), S_OK);
    EXPECT_EQ(MutagenAsfAttributes(file), "Author=Die \xc3\x84rzte\nTitle=Se\xc3\xb1or Flamingos "
                                          "Adieu\nWM/BeatsPerMinute=99.00");
    EXPECT_TRUE(FfmpegDecodesCleanly(file));
}

TEST(WmaRealFiles, TitleAndAuthorOnlyAmongTheExtendedAttributes) {
    TempDir dir;
    const std::string file = dir.Str("extended.wma");
    MakeWma(file, "-map_metadata -1 -fflags +bitexact");
    // Lower-case names are not the content description's, so they stay extended attributes.
    EditWmaWithMutagen(file, "f['title'] = ['Extended Title']\nf['author'] = ['Extended Band']");
    ImportedEntry entry(dir.W("extended.wma"));
    EXPECT_EQ(entry.Field(kFieldTitle), u"Extended Title");
    EXPECT_EQ(entry.Field(kFieldArtist), u"Extended Band");
}

TEST(WmaRealFiles, AStoredTitleTheImportMissedIsNotReplacedByTheFileName) {
    TempDir dir;
    const std::string file = dir.Str("Track 07.wma");
    MakeWma(file, "-metadata title='Stored Title' -metadata artist='Stored Artist'");
    CCatItem* entry = new CCatItem(1, dir.W("Track 07.wma"));
    {
        // The import runs while the component is missing: the title comes from the file name.
        TempDir noComponents;
        const char* saved = std::getenv("TEMPOWRIGHT_COMPONENT_DIR");
        const std::string restore = saved ? saved : "";
        setenv("TEMPOWRIGHT_COMPONENT_DIR", noComponents.Path().c_str(), 1);
        ReadTrackTags(*entry);
        setenv("TEMPOWRIGHT_COMPONENT_DIR", restore.c_str(), 1);
    }
    WString title;
    entry->GetFieldText(kFieldTitle, title);
    ASSERT_EQ(title, u"Track 07");
    entry->SetBpm(101.0f);
    EXPECT_EQ(WriteTrackTags(*entry), S_OK);
    entry->Release();
    EXPECT_EQ(FfprobeTag(file, "title"), "Stored Title");
    EXPECT_EQ(FfprobeTag(file, "artist"), "Stored Artist");
    EXPECT_EQ(FfprobeTag(file, "WM/BeatsPerMinute"), "101.00");
}

TEST(WmaRealFiles, AFileReplacedAfterItsAnalysisIsNotWritten) {
    TempDir dir;
    const std::string file = dir.Str("t.wma");
    MakeWma(file, "-metadata title='Analysed'");
    ImportedEntry entry(dir.W("t.wma"));
    entry->SetAnalysedFile(IdentityOfPath(entry->GetPath()));
    entry->SetBpm(121.0f);

    // Another track takes the name while the analysis runs: it keeps every byte.
    MakeWma(dir.Str("other.wma"), "-metadata title='Other'");
    const std::string other = ReadFileBytes(dir.Str("other.wma"));
    ASSERT_EQ(rename(dir.Str("other.wma").c_str(), file.c_str()), 0);
    EXPECT_EQ(WriteTrackTags(*entry), S_FALSE);
    EXPECT_EQ(entry->GetTagWriteOutcome(), TagWriteOutcome::FileReplaced);
    EXPECT_TRUE(ReadFileBytes(file) == other);

    // The file now there, once analysed, is written.
    entry->SetAnalysedFile(IdentityOfPath(entry->GetPath()));
    EXPECT_EQ(WriteTrackTags(*entry), S_OK);
    EXPECT_EQ(entry->GetTagWriteOutcome(), TagWriteOutcome::Written);
    EXPECT_NE(MutagenAsfAttributes(file).find("WM/BeatsPerMinute=121.00"), std::string::npos);
}

TEST(WmaRealFiles, ManyAttributesAreAllKept) {
    TempDir dir;
    const std::string file = dir.Str("many.wma");
    MakeWma(file, "-metadata title='Crowded' -metadata artist='Everyone'");
    EditWmaWithMutagen(file, "for i in range(300):\n"
                             "    f['Custom/Field%03d' % i] = ['value %d' % i]\n"
                             "f['WM/TrackNumber'] = [asf.ASFDWordAttribute(7)]\n"
                             "f['WM/Lyrics'] = ['la ' * 20000]");
    const std::string before = MutagenAsfAttributes(file);
    ASSERT_NE(before.find("Custom/Field299=value 299"), std::string::npos);

    EXPECT_EQ(WriteBackTempo(dir.W("many.wma"), 140.0f), S_OK);
    EXPECT_EQ(MutagenAsfAttributes(file), WithSortedLine(before, "WM/BeatsPerMinute=140.00"));
    EXPECT_TRUE(FfmpegDecodesCleanly(file));
    ImportedEntry again(dir.W("many.wma"));
    EXPECT_EQ(again.Field(kFieldTitle), u"Crowded");
    EXPECT_FLOAT_EQ(again->GetBpm(), 140.0f);
}

TEST(WmaRealFiles, ADamagedHeaderIsNeverRewritten) {
    TempDir dir;
    const std::string file = dir.Str("damaged.wma");
    MakeWma(file, "-metadata title='Damaged' -metadata artist='Header'");
    // The header object's size field (bytes 16-23) claims 2000 bytes more than the header has:
    // FFmpeg still plays the file, but a header rewritten from it would lose the audio.
    std::string bytes = ReadFileBytes(file);
    std::uint64_t size = 0;
    for (int i = 7; i >= 0; --i) size = (size << 8) | static_cast<std::uint8_t>(bytes[16 + i]);
    size += 2000;
    for (int i = 0; i < 8; ++i) bytes[16 + i] = static_cast<char>(size >> (8 * i));
    WriteFileBytes(file, bytes);
    ASSERT_TRUE(FfmpegDecodesCleanly(file));

    // The title and artist already stand in the file, but the tempo could not be stored: the
    // write-back must say so rather than count the unchanged texts as a save.
    ImportedEntry entry(dir.W("damaged.wma"));
    entry->SetBpm(120.0f);
    EXPECT_EQ(WriteTrackTags(*entry), S_FALSE);
    EXPECT_FALSE(TagWriteSucceeded(entry->GetTagWriteOutcome()));
    EXPECT_EQ(ReadFileBytes(file), bytes);
    EXPECT_TRUE(FfmpegDecodesCleanly(file));
}

TEST(WmaRealFiles, ASaveThatWouldNotDecodeLeavesTheOriginal) {
    TempDir dir;
    const std::string file = dir.Str("noise.wma");
    MakeWma(file, "-metadata title='Noise' -metadata artist='Packets'");
    // The header stays intact, but the audio packets after it are replaced by noise.
    std::string bytes = ReadFileBytes(file);
    const std::size_t audioStart = bytes.size() - AsfPayload(bytes).size() + 50;
    for (std::size_t i = audioStart; i < bytes.size(); ++i)
        bytes[i] = static_cast<char>((i * 2654435761u) >> 13);
    WriteFileBytes(file, bytes);
    ASSERT_EQ(ComponentDecodedFrames(file), 0u);
    WriteBackTempo(dir.W("noise.wma"), 120.0f);
    EXPECT_EQ(ReadFileBytes(file), bytes);

    // Also where the header has to be rewritten in the file itself (it has a second name).
    const std::string other = dir.Str("other name.wma");
    ASSERT_EQ(::link(file.c_str(), other.c_str()), 0);
    WriteBackTempo(dir.W("noise.wma"), 120.0f);
    EXPECT_EQ(ReadFileBytes(file), bytes);
}

TEST(WmaRealFiles, LeftoversOfAKilledSaveAreRemovedButNothingElse) {
    TempDir dir;
    const std::string file = dir.Str("song.wma");
    MakeWma(file, "-metadata title='Song'");
    const std::string asf = ReadFileBytes(file);
    const auto makeOld = [&](const std::string& name, const std::string& bytes) {
        WriteFileBytes(dir.Str(name), bytes);
        const struct timeval twoHoursAgo[2] = {{time(nullptr) - 7200, 0},
                                               {time(nullptr) - 7200, 0}};
        EXPECT_EQ(::utimes(dir.Str(name).c_str(), twoHoursAgo), 0);
    };
    makeOld("song.wma.a1B2c3.WM~", asf);         // a killed save's copy
    makeOld("song.wma.Zz9Yy8.WM~", "");          // killed right after creating it
    makeOld("song.wma.d4E5f6.WM~", asf);         // a save still running (locked below)
    makeOld("song.wma.notes.WM~", asf);          // not our name pattern
    makeOld("other.wma.a1B2c3.WM~", asf);        // another track's
    makeOld("song.wma.q7R8s9.WM~", "my notes");  // not a copy of a Windows Media file
    WriteFileBytes(dir.Str("song.wma.g7H8i9.WM~"), asf);  // just created
    const int running = ::open(dir.Str("song.wma.d4E5f6.WM~").c_str(), O_RDONLY);
    ASSERT_GE(running, 0);
    ASSERT_EQ(::flock(running, LOCK_EX), 0);

    EXPECT_EQ(WriteBackTempo(dir.W("song.wma"), 88.0f), S_OK);
    ::close(running);
    EXPECT_FALSE(std::filesystem::exists(dir.Str("song.wma.a1B2c3.WM~")));
    EXPECT_FALSE(std::filesystem::exists(dir.Str("song.wma.Zz9Yy8.WM~")));
    for (const char* kept : {"song.wma.d4E5f6.WM~", "song.wma.notes.WM~", "other.wma.a1B2c3.WM~",
                             "song.wma.q7R8s9.WM~", "song.wma.g7H8i9.WM~"})
        EXPECT_TRUE(std::filesystem::exists(dir.Str(kept))) << kept;
    EXPECT_EQ(FfprobeTag(file, "WM/BeatsPerMinute"), "88.00");
}

TEST(WmaRealFiles, RandomHeaderDamageNeverEndsInAnUndecodableFile) {
    TempDir dir;
    const std::string pristine = dir.Str("pristine.wma");
    MakeWma(pristine, "-metadata title='Fragile' -metadata artist='Header'");
    const std::string original = ReadFileBytes(pristine);
    const std::size_t headerBytes = original.size() - AsfPayload(original).size();
    std::uint32_t state = 12345;
    const auto next = [&state] { return state = state * 1664525u + 1013904223u; };
    int saved = 0;
    for (int variant = 0; variant < 40; ++variant) {
        std::string bytes = original;
        for (int flips = 0; flips < 3; ++flips) {
            // Bytes after the header object's own GUID: sizes, counts, lengths and texts.
            const std::size_t at = 16 + next() % (headerBytes - 16);
            bytes[at] = static_cast<char>(next() >> 24);
        }
        const std::string name = "variant" + std::to_string(variant) + ".wma";
        WriteFileBytes(dir.Str(name), bytes);
        WriteBackTempo(dir.W(name), 111.0f);
        if (ReadFileBytes(dir.Str(name)) == bytes) continue;
        ++saved;
        EXPECT_GT(ComponentDecodedFrames(dir.Str(name)), 0u) << name;
        EXPECT_EQ(AsfPayload(ReadFileBytes(dir.Str(name))), AsfPayload(bytes)) << name;
    }
    // Damage to texts and unused fields leaves most variants writable.
    EXPECT_GT(saved, 0);
}
