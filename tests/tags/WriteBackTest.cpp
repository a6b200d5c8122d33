// The write-back's guards: files in use or read-only are never touched, and only non-empty texts
// are written.

#include <gtest/gtest.h>

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <string>

#include "audio/ComponentIds.h"
#include "catalog/CatItem.h"
#include "tags/TrackTagReader.h"
#include "tags/TrackTagWriter.h"
#include "tests/support/TempDir.h"
#include "tests/tags/TagTestFiles.h"

namespace {
struct Track {
    explicit Track(const std::string& bytes, const std::string& fileName = "song.mp3")
        : file(dir.Str(fileName)), entry(new CCatItem(1, dir.W(fileName))) {
        WriteFileBytes(file, bytes);
    }
    ~Track() { entry->Release(); }
    TempDir dir;
    std::string file;
    CCatItem* entry;
};

// Holds an exclusive lock on a file from another process until the object is destroyed.
class ForeignLock {
public:
    explicit ForeignLock(const std::string& path) {
        int ready[2], release[2];
        if (pipe(ready) != 0 || pipe(release) != 0) throw std::runtime_error("pipe");
        child_ = fork();
        if (child_ == 0) {
            close(ready[0]);
            close(release[1]);  // so that the read below ends when the parent closes its end
            const int fd = open(path.c_str(), O_RDWR);
            char c = flock(fd, LOCK_EX) == 0 ? 'y' : 'n';
            if (write(ready[1], &c, 1) != 1) _exit(1);
            if (read(release[0], &c, 1) < 0) _exit(1);
            _exit(0);
        }
        close(ready[1]);
        close(release[0]);
        releaseFd_ = release[1];
        char c = 'n';
        if (read(ready[0], &c, 1) != 1 || c != 'y') throw std::runtime_error("no lock");
        close(ready[0]);
    }
    ~ForeignLock() {
        close(releaseFd_);
        waitpid(child_, nullptr, 0);
    }

private:
    pid_t child_ = -1;
    int releaseFd_ = -1;
};
}  // namespace

TEST(WriteBack, NeverTouchesAFileInUseOrMarkedReadOnly) {
    const std::string original = Id3v2Tag(3, 0, V23Frame("TIT2", Latin1Body("Old")), 100) +
                                 Mp3Audio();
    Track locked(original);
    locked.entry->SetFieldText(kFieldTitle, u"New");
    {
        ForeignLock lock(locked.file);
        EXPECT_FALSE(CanOpenExclusive(locked.entry->GetPath()));
        EXPECT_EQ(WriteTrackTags(*locked.entry), S_FALSE);
    }
    EXPECT_EQ(ReadFileBytes(locked.file), original);
    EXPECT_EQ(locked.entry->GetTagWriteOutcome(), TagWriteOutcome::InUse);
    EXPECT_TRUE(CanOpenExclusive(locked.entry->GetPath()));

    // Another process that merely has the file open, without any lock.
    {
        int release[2];
        ASSERT_EQ(pipe(release), 0);
        const pid_t holder = fork();
        if (holder == 0) {
            close(release[1]);
            const int fd = open(locked.file.c_str(), O_RDONLY);
            char c;
            _exit(fd >= 0 && read(release[0], &c, 1) >= 0 ? 0 : 1);
        }
        close(release[0]);
        // The holder has the file open once its descriptor shows up in /proc.
        for (int i = 0; i < 500 && CheckWritable(locked.entry->GetPath()) == TagWriteOutcome::Written; ++i)
            usleep(2000);
        EXPECT_EQ(CheckWritable(locked.entry->GetPath()), TagWriteOutcome::InUse);
        EXPECT_EQ(WriteTrackTags(*locked.entry), S_FALSE);
        close(release[1]);
        waitpid(holder, nullptr, 0);
    }
    EXPECT_EQ(ReadFileBytes(locked.file), original);

    // Open only for a moment, as this program's own store lookup opens a track: the write-back
    // waits for it and writes.
    {
        int opened[2];
        ASSERT_EQ(pipe(opened), 0);
        const pid_t reader = fork();
        if (reader == 0) {
            close(opened[0]);
            const int fd = open(locked.file.c_str(), O_RDONLY);
            if (write(opened[1], "x", 1) != 1) _exit(1);
            usleep(100000);
            _exit(fd >= 0 ? 0 : 1);
        }
        close(opened[1]);
        char c;
        ASSERT_EQ(read(opened[0], &c, 1), 1);
        close(opened[0]);
        EXPECT_EQ(WriteTrackTags(*locked.entry), S_OK);
        EXPECT_EQ(locked.entry->GetTagWriteOutcome(), TagWriteOutcome::Written);
        waitpid(reader, nullptr, 0);
    }
    EXPECT_NE(ReadFileBytes(locked.file), original);

    Track readOnly(original);
    readOnly.entry->SetFieldText(kFieldTitle, u"New");
    ASSERT_EQ(chmod(readOnly.file.c_str(), 0444), 0);
    EXPECT_EQ(WriteTrackTags(*readOnly.entry), S_FALSE);
    EXPECT_EQ(readOnly.entry->GetTagWriteOutcome(), TagWriteOutcome::ReadOnly);
    EXPECT_EQ(ReadFileBytes(readOnly.file), original);

    Track gone(original);
    std::remove(gone.file.c_str());
    EXPECT_EQ(WriteTrackTags(*gone.entry), S_FALSE);
    EXPECT_EQ(gone.entry->GetTagWriteOutcome(), TagWriteOutcome::FileReplaced);

    Track wave("RIFF....WAVE", "song.wav");
    wave.entry->SetFieldText(kFieldTitle, u"New");
    EXPECT_EQ(WriteTrackTags(*wave.entry), E_FAIL);
    EXPECT_EQ(wave.entry->GetTagWriteOutcome(), TagWriteOutcome::NotAttempted);
    EXPECT_EQ(ReadFileBytes(wave.file), "RIFF....WAVE");
}

TEST(WriteBack, WritesTheTitleFromTheFileNameAndNoEmptyBpm) {
    Track track(Mp3Audio(), "Artist - Song.mp3");
    ASSERT_TRUE(ReadTrackTags(*track.entry));
    track.entry->SetBpm(127.996f);
    EXPECT_EQ(WriteTrackTags(*track.entry), S_OK);
    EXPECT_EQ(MutagenFrames(track.file), "TBPM=128.00\nTIT2=Artist - Song\n");
    EXPECT_EQ(WriteTrackTags(*track.entry), S_OK);  // nothing to save is success too

    // BPM 0 writes no TBPM and leaves the one in the file.
    Track kept(Id3v2Tag(3, 0, V23Frame("TBPM", Latin1Body("99")), 200) + Mp3Audio());
    kept.entry->SetFieldText(kFieldArtist, u"Band");
    EXPECT_EQ(WriteTrackTags(*kept.entry), S_OK);
    EXPECT_EQ(MutagenFrames(kept.file), "TBPM=99\nTPE1=Band\n");
}
