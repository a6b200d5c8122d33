// The write-back and the files around it: frames it cannot decode, a file with only an ID3v1
// block, leftover temporaries, links, owner and mode, a file replaced after its analysis, and
// processes killed in the middle of a rewrite.

#include <gtest/gtest.h>

#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <random>
#include <string>

#include "audio/ComponentIds.h"
#include "catalog/CatItem.h"
#include "tags/Id3Tag.h"
#include "tags/TrackTagReader.h"
#include "tags/TrackTagWriter.h"
#include "tests/support/TempDir.h"
#include "tests/tags/TagTestFiles.h"

namespace {
struct Entry {
    Entry(const TempDir& dir, const std::string& name) : entry(new CCatItem(1, dir.W(name))) {}
    ~Entry() { entry->Release(); }
    CCatItem* operator->() const { return entry; }
    CCatItem& operator*() const { return *entry; }
    CCatItem* entry;
};

std::size_t FilesIn(const TempDir& dir) {
    return static_cast<std::size_t>(std::distance(std::filesystem::directory_iterator(dir.Path()),
                                                  std::filesystem::directory_iterator()));
}

struct stat Stat(const std::string& path) {
    struct stat st {};
    EXPECT_EQ(lstat(path.c_str(), &st), 0) << path;
    return st;
}
}  // namespace

TEST(WriteBackText, AFrameThatCannotBeDecodedIsKeptAndNotReplacedByTheFileName) {
    TempDir dir;
    // A compressed title: its text cannot be read here, but it is the track's title.
    const std::string compressed = V23Frame("TIT2", BigEndian32(20) + "x\x9c zlib bytes",
                                            0, kFormatCompressed);
    const std::string file = Id3v2Tag(3, 0, compressed, 64) + Mp3Audio();
    WriteFileBytes(dir.Str("Artist - Name.mp3"), file);
    Entry e(dir, "Artist - Name.mp3");
    ASSERT_TRUE(ReadTrackTags(*e));
    WString title;
    e->GetFieldText(kFieldTitle, title);
    EXPECT_EQ(title, u"");
    e->SetBpm(128.0f);
    EXPECT_EQ(WriteTrackTags(*e), S_OK);
    const std::string after = ReadFileBytes(dir.Str("Artist - Name.mp3"));
    EXPECT_EQ(after.substr(10, compressed.size()), compressed);
    EXPECT_EQ(FfprobeTag(dir.Str("Artist - Name.mp3"), "TBPM"), "128.00");

    // UTF-16 without a byte-order mark is little-endian text, and it is the title.
    const std::string noMark = V23Frame("TIT2", std::string("\x01S\0o\0n\0g\0", 9));
    WriteFileBytes(dir.Str("b.mp3"), Id3v2Tag(3, 0, noMark, 64) + Mp3Audio());
    Entry b(dir, "b.mp3");
    ASSERT_TRUE(ReadTrackTags(*b));
    b->GetFieldText(kFieldTitle, title);
    EXPECT_EQ(title, u"Song");
}

TEST(WriteBackText, ANewTagStartsFromTheId3v1Block) {
    TempDir dir;
    std::string v1 = Id3v1Block("Title", "Artist", "Album", "1999", 17);
    v1[97] = 'C';  // a comment, and an ID3v1.1 track number
    v1[126] = 7;
    WriteFileBytes(dir.Str("t.mp3"), Mp3Audio() + v1);
    Entry e(dir, "t.mp3");
    ASSERT_TRUE(ReadTrackTags(*e));
    e->SetBpm(120.0f);
    EXPECT_EQ(WriteTrackTags(*e), S_OK);
    const std::string written = ReadFileBytes(dir.Str("t.mp3"));
    EXPECT_EQ(written.substr(written.size() - 128), v1);
    // The ID3v2 tag alone, without the ID3v1 block that mutagen would merge in.
    WriteFileBytes(dir.Str("v2.mp3"), written.substr(0, written.size() - 128));
    EXPECT_EQ(MutagenFrames(dir.Str("v2.mp3")),
              "COMM==eng=C\nTALB=Album\nTBPM=120.00\nTCON=Rock\nTDRC=1999\nTIT2=Title\n"
              "TPE1=Artist\nTRCK=7\n");
}

TEST(WriteBackFiles, LeftoverTemporariesNeverBlockAndOnlyStaleOwnOnesGo) {
    TempDir dir;
    WriteFileBytes(dir.Str("t.mp3"), Mp3Audio());
    WriteFileBytes(dir.Str("t.MP~"), "somebody else's file");
    // A temporary of an earlier write-back whose process is gone (nobody holds its lock).
    WriteFileBytes(dir.Str("t.mp3.twtmp-abcdefgh.MP~"), "half a copy");
    // A temporary of another track stays.
    WriteFileBytes(dir.Str("u.mp3.twtmp-abcdefgh.MP~"), "another track's copy");
    Entry e(dir, "t.mp3");
    e->SetFieldText(kFieldTitle, u"Title");
    for (int run = 0; run < 2; ++run) {
        EXPECT_EQ(WriteTrackTags(*e), S_OK);
        EXPECT_EQ(e->GetTagWriteOutcome(), TagWriteOutcome::Written);
        e->SetFieldText(kFieldTitle, WString(5000, u'x'));  // the second run rewrites again
    }
    EXPECT_FALSE(std::filesystem::exists(dir.Str("t.mp3.twtmp-abcdefgh.MP~")));
    EXPECT_EQ(ReadFileBytes(dir.Str("t.MP~")), "somebody else's file");
    EXPECT_EQ(ReadFileBytes(dir.Str("u.mp3.twtmp-abcdefgh.MP~")), "another track's copy");
    EXPECT_EQ(FilesIn(dir), 3u);
}

TEST(WriteBackFiles, LinksOwnerAndModeSurviveARewrite) {
    TempDir dir;
    WriteFileBytes(dir.Str("real.mp3"), Mp3Audio());
    ASSERT_EQ(symlink("real.mp3", dir.Str("link.mp3").c_str()), 0);
    Entry viaLink(dir, "link.mp3");
    viaLink->SetFieldText(kFieldTitle, u"Linked");
    ASSERT_EQ(WriteTrackTags(*viaLink), S_OK);
    EXPECT_TRUE(S_ISLNK(Stat(dir.Str("link.mp3")).st_mode));
    EXPECT_EQ(MutagenFrames(dir.Str("real.mp3")), "TIT2=Linked\n");

    // Hard links stay one file.
    WriteFileBytes(dir.Str("a.mp3"), Mp3Audio());
    ASSERT_EQ(link(dir.Str("a.mp3").c_str(), dir.Str("b.mp3").c_str()), 0);
    const ino_t inode = Stat(dir.Str("a.mp3")).st_ino;
    Entry hard(dir, "a.mp3");
    hard->SetFieldText(kFieldTitle, u"Hard");
    ASSERT_EQ(WriteTrackTags(*hard), S_OK);
    EXPECT_EQ(Stat(dir.Str("a.mp3")).st_ino, inode);
    EXPECT_EQ(Stat(dir.Str("b.mp3")).st_nlink, 2u);
    EXPECT_EQ(MutagenFrames(dir.Str("b.mp3")), "TIT2=Hard\n");
    EXPECT_EQ(FilesIn(dir), 4u);  // no copy left behind

    // Owner, group and mode are kept; set-user-id only where the owner is kept too.
    if (geteuid() != 0) GTEST_SKIP() << "changing owners needs root";
    const std::string owned = dir.Str("owned.mp3");
    WriteFileBytes(owned, Mp3Audio());
    ASSERT_EQ(chown(owned.c_str(), 1234, 2345), 0);
    ASSERT_EQ(chmod(owned.c_str(), 06754), 0);
    Entry o(dir, "owned.mp3");
    o->SetFieldText(kFieldTitle, u"Owned");
    ASSERT_EQ(WriteTrackTags(*o), S_OK);
    EXPECT_EQ(Stat(owned).st_uid, 1234u);
    EXPECT_EQ(Stat(owned).st_gid, 2345u);
    EXPECT_EQ(Stat(owned).st_mode & 07777, 06754u);

    // A user who may write the file but cannot give a new file its owner.
    const std::string foreign = dir.Str("foreign.mp3");
    WriteFileBytes(foreign, Mp3Audio());
    ASSERT_EQ(chown(foreign.c_str(), 1234, 2345), 0);
    ASSERT_EQ(chmod(foreign.c_str(), 06666), 0);
    ASSERT_EQ(chmod(dir.Path().c_str(), 0777), 0);
    const pid_t child = fork();
    if (child == 0) {
        if (setgid(65534) != 0 || setuid(65534) != 0) _exit(2);
        CID3Tag tag;
        if (tag.ReadTag(dir.W("foreign.mp3")) == E_FAIL) _exit(3);
        tag.SetFrameText("TIT2", u"Foreign");
        ID3_SAVE_RESULT result;
        _exit(tag.SaveTag(result) == S_OK && result.rewritten ? 0 : 4);
    }
    int status = 0;
    ASSERT_EQ(waitpid(child, &status, 0), child);
    ASSERT_TRUE(WIFEXITED(status));
    ASSERT_EQ(WEXITSTATUS(status), 0);
    EXPECT_EQ(Stat(foreign).st_uid, 65534u);
    EXPECT_EQ(Stat(foreign).st_mode & 07777, 0666u);
}

TEST(WriteBackFiles, AFileReplacedAfterItsAnalysisIsNotWritten) {
    TempDir dir;
    const std::string path = dir.Str("t.mp3");
    WriteFileBytes(path, Id3v2Tag(3, 0, V23Frame("TIT2", Latin1Body("Analysed")), 500) +
                             Mp3Audio());
    Entry e(dir, "t.mp3");
    e->SetAnalysedFile(IdentityOfPath(e->GetPath()));
    e->SetFieldText(kFieldTitle, u"Analysed");
    e->SetBpm(100.0f);

    // Another file takes the name while the analysis runs.
    const std::string other = Id3v2Tag(3, 0, V23Frame("TIT2", Latin1Body("Other")), 500) +
                              Mp3Audio();
    WriteFileBytes(dir.Str("new.mp3"), other);
    ASSERT_EQ(rename(dir.Str("new.mp3").c_str(), path.c_str()), 0);
    EXPECT_EQ(WriteTrackTags(*e), S_FALSE);
    EXPECT_EQ(e->GetTagWriteOutcome(), TagWriteOutcome::FileReplaced);
    EXPECT_TRUE(ReadFileBytes(path) == other);

    // The same file, analysed afresh, is written.
    e->SetAnalysedFile(IdentityOfPath(e->GetPath()));
    EXPECT_EQ(WriteTrackTags(*e), S_OK);
    EXPECT_EQ(e->GetTagWriteOutcome(), TagWriteOutcome::Written);
}

namespace {
// Kills write-backs that rewrite a file at random points. A plain file is at every moment the old
// or the new one; a hard-linked one may be caught half overwritten, and the next run finishes it
// from the synced copy. Every next run succeeds and ends with the new file, no temporaries left.
void KillRewrites(bool hardLinked, int kills) {
    TempDir dir;
    const std::string path = dir.Str("t.mp3");
    std::string audio;
    while (audio.size() < 400000) audio += Mp3Audio();
    const std::string old = Id3v2Tag(3, 0, V23Frame("TIT2", Latin1Body("Old")), 4) + audio;
    const auto reset = [&] {
        std::filesystem::remove(dir.Str("link.mp3"));
        WriteFileBytes(path, old);
        if (hardLinked) {
            ASSERT_EQ(link(path.c_str(), dir.Str("link.mp3").c_str()), 0);
        }
    };
    const auto rewrite = [&] {
        CCatItem* entry = new CCatItem(1, dir.W("t.mp3"));
        entry->SetFieldText(kFieldTitle, u"A title that does not fit in the old tag");
        entry->SetBpm(128.0f);
        const HRESULT hr = WriteTrackTags(*entry);
        entry->Release();
        return hr;
    };
    reset();
    ASSERT_EQ(rewrite(), S_OK);
    const std::string expected = ReadFileBytes(path);
    ASSERT_NE(expected, old);

    // How long one rewrite takes in a child process.
    reset();
    const auto start = std::chrono::steady_clock::now();
    pid_t child = fork();
    if (child == 0) _exit(rewrite() == S_OK ? 0 : 1);
    waitpid(child, nullptr, 0);
    const long span = static_cast<long>(std::chrono::duration_cast<std::chrono::microseconds>(
                                            std::chrono::steady_clock::now() - start)
                                            .count());
    std::mt19937 random(1234);
    std::uniform_int_distribution<long> delay(0, span + span / 4);

    int sawOld = 0, sawNew = 0, sawPartial = 0;
    for (int i = 0; i < kills; ++i) {
        reset();
        child = fork();
        if (child == 0) _exit(rewrite() == S_OK ? 0 : 1);
        usleep(static_cast<useconds_t>(delay(random)));
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
        const std::string now = ReadFileBytes(path);
        if (now == old) {
            ++sawOld;
        } else if (now == expected) {
            ++sawNew;
        } else {
            ASSERT_TRUE(hardLinked) << "kill " << i << ": a mixed file";
            ++sawPartial;
        }
        ASSERT_EQ(rewrite(), S_OK) << "kill " << i;
        ASSERT_TRUE(ReadFileBytes(path) == expected) << "kill " << i;
        if (hardLinked) {
            ASSERT_TRUE(ReadFileBytes(dir.Str("link.mp3")) == expected);
        }
        ASSERT_EQ(FilesIn(dir), hardLinked ? 2u : 1u) << "kill " << i;
    }
    EXPECT_GT(sawOld, 0);
    std::printf("killed rewrites%s: %d left the old file, %d the new one, %d a partial one\n",
                hardLinked ? " of a hard-linked file" : "", sawOld, sawNew, sawPartial);
}
}  // namespace

TEST(WriteBackFiles, KilledRewritesLeaveTheOldOrTheNewFileAndNeverBlock) {
    KillRewrites(false, 120);
    KillRewrites(true, 40);
}

TEST(WriteBackText, AFileNameThatIsNotUtf8GivesAWindows1252Title) {
    TempDir dir;
    const std::string name = "Caf\xE9 \x80 \x9D.mp3";  // Latin-1 bytes, the euro sign, a gap
    WriteFileBytes(dir.Str(name), Mp3Audio());
    Entry e(dir, name);
    EXPECT_TRUE(ReadFileBytes(dir.Str(name)) == Mp3Audio());  // the path keeps its bytes
    ASSERT_TRUE(ReadTrackTags(*e));
    WString title;
    e->GetFieldText(kFieldTitle, title);
    EXPECT_EQ(title, u"Caf\u00E9 \u20AC \u009D");
    e->SetBpm(120.0f);
    ASSERT_EQ(WriteTrackTags(*e), S_OK);
    EXPECT_EQ(MutagenFrames(dir.Str(name)), "TBPM=120.00\nTIT2=Caf\u00E9 \u20AC \u009D\n");

    // Text for a tag never carries a lone surrogate, whatever it came from.
    CID3Frame frame;
    frame.SetId("TIT2");
    frame.SetText(WString(u"a") + char16_t(0xD800) + u"b" + char16_t(0xDCE9));
    WString back;
    ASSERT_EQ(frame.GetText(back), S_OK);
    EXPECT_EQ(back, WString(u"a\uFFFDb\u00E9") + u'\0');
}

TEST(WriteBackFiles, AFinishedCopyOfAnInterruptedHardLinkRewriteIsAppliedFirst) {
    TempDir dir;
    const std::string path = dir.Str("t.mp3");
    const std::string fresh = Id3v2Tag(3, 0, V23Frame("TIT2", Latin1Body("Finished")), 300) +
                              Mp3Audio();
    // The interrupted write-back had overwritten the start of the track only.
    WriteFileBytes(path, fresh.substr(0, 200) + Mp3Audio().substr(100));
    const std::string copy = path + ".twcopy-" + std::to_string(Stat(path).st_ino) + "-abcdefgh.MP~";
    WriteFileBytes(copy, fresh);
    // A finished copy made for another file that once had this name is not applied.
    const std::string foreign = path + ".twcopy-1-abcdefgh.MP~";
    WriteFileBytes(foreign, "not this file");
    Entry e(dir, "t.mp3");
    e->SetFieldText(kFieldTitle, u"Finished");
    EXPECT_EQ(WriteTrackTags(*e), S_OK);
    EXPECT_TRUE(ReadFileBytes(path) == fresh);
    EXPECT_FALSE(std::filesystem::exists(copy));
    EXPECT_EQ(ReadFileBytes(foreign), "not this file");
}

namespace {
struct TAG_CASE {
    const char* name;
    std::string head;     // the tag at the start
    std::string second;   // a second tag after it, kept as it is
    std::string trailer;  // after the audio
    const char* frames;   // what mutagen sees afterwards
};

std::string ApeTag() {
    std::string item = std::string("\x04\0\0\0\0\0\0\0", 8) + "Year" + '\0' + "2001";
    std::string footer = "APETAGEX" + std::string("\xD0\x07\0\0", 4);
    const auto size = static_cast<char>(item.size() + 32);
    footer += std::string(1, size) + std::string(3, '\0') + std::string("\x01\0\0\0", 4) +
              std::string(4, '\0') + std::string(8, '\0');
    return item + footer;
}

std::string Lyrics3() {
    const std::string body = "LYRICSBEGININD00002" "10" "LYR00005hello";
    char size[7];
    std::snprintf(size, sizeof size, "%06zu", body.size());
    return body + size + "LYRICS200";
}
}  // namespace

TEST(WriteBackFiles, RealWorldTagsKeepEveryFrameAndTheAudio) {
    std::string picture(1 << 20, '\0');
    for (std::size_t i = 0; i < picture.size(); ++i) picture[i] = static_cast<char>(i * 31 % 253);
    const std::string unsyncBody = Latin1Body("Un\xFFsync");
    std::string unsynced;
    for (const char c : V23Frame("TALB", unsyncBody)) {
        unsynced += c;
        if (c == '\xFF') unsynced += '\0';
    }
    const TAG_CASE cases[] = {
        {"v2.2", Id3v2Tag(2, 0, V22Frame("TT2", Latin1Body("Old")) +
                                    V22Frame("TAL", Latin1Body("Album"))),
         "", "", "TALB=Album\nTBPM=128.00\nTIT2=New\n"},
        {"unsynchronised", Id3v2Tag(3, 0x80, unsynced + V23Frame("TIT2", Latin1Body("Old"))), "", "",
         "TALB=Un\u00FFsync\nTBPM=128.00\nTIT2=New\n"},
        {"two tags", Id3v2Tag(3, 0, V23Frame("TIT2", Latin1Body("Old"))),
         Id3v2Tag(3, 0, V23Frame("TPE1", Latin1Body("Second tag"))), "", "TBPM=128.00\nTIT2=New\n"},
        {"APEv2 and ID3v1 after the audio", Id3v2Tag(3, 0, V23Frame("TIT2", Latin1Body("Old"))),
         "", ApeTag() + Id3v1Block("v1", "", "", "", 255), "TBPM=128.00\nTIT2=New\n"},
        {"Lyrics3 after the audio", "", "", Lyrics3() + Id3v1Block("v1", "", "", "", 255),
         "TBPM=128.00\nTIT2=New\n"},
        {"1 MB picture",
         Id3v2Tag(3, 0, V23Frame("APIC", std::string("\0image/png\0\x03\0", 13) + picture) +
                            V23Frame("TIT2", Latin1Body("Old"))),
         "", "", "APIC=cover front,  (image/png, 1048576 bytes)\nTBPM=128.00\nTIT2=New\n"},
    };
    for (const TAG_CASE& c : cases) {
        SCOPED_TRACE(c.name);
        TempDir dir;
        const std::string path = dir.Str("t.mp3");
        const std::string rest = c.second + Mp3Audio() + c.trailer;
        WriteFileBytes(path, c.head + rest);
        Entry e(dir, "t.mp3");
        e->SetFieldText(kFieldTitle, u"New");
        e->SetBpm(128.0f);
        ASSERT_EQ(WriteTrackTags(*e), S_OK);
        CID3Tag back;
        ASSERT_EQ(back.ReadTag(dir.W("t.mp3")), S_OK);
        EXPECT_TRUE(ReadFileBytes(path).substr(back.OnDiskLength()) == rest);
        // The ID3v2 tag alone, as mutagen sees it.
        WriteFileBytes(dir.Str("v2.mp3"), ReadFileBytes(path).substr(0, back.OnDiskLength()));
        EXPECT_EQ(MutagenFrames(dir.Str("v2.mp3")), c.frames);
        std::string seen;
        RunPython("import sys, eyed3\neyed3.log.setLevel('ERROR')\na = eyed3.load(sys.argv[1])\n"
                  "print(a.tag.title, a.tag.bpm, end='')",
                  path, &seen);
        EXPECT_EQ(seen, "New 128");
        EXPECT_EQ(FfprobeTag(path, "title"), "New");
    }
}
