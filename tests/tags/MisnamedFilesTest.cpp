// Files whose content contradicts their name: they are read and analysed as what they are, and
// never tagged.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "audio/ComponentIds.h"
#include "audio/SourceOpener.h"
#include "catalog/CatItem.h"
#include "tags/TrackTagReader.h"
#include "tags/TrackTagWriter.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavWriter.h"
#include "tests/tags/TagTestFiles.h"

namespace {

std::string ShortWave() {
    return MakeWav(WavLayout{}, std::vector<float>(4410, 0.25f));
}

// Imports the file, gives it a measured tempo and writes it back; returns the entry's title.
WString ImportAndWriteBack(const WString& path) {
    CCatItem* entry = new CCatItem(1, path);
    ReadTrackTags(*entry);
    entry->SetBpm(120.0f);
    WriteTrackTags(*entry);
    WString title;
    entry->GetFieldText(kFieldTitle, title);
    entry->Release();
    return title;
}

}  // namespace

TEST(MisnamedFiles, AWaveFileNamedMp3IsAnalysedAsWaveAndNeverTagged) {
    TempDir dir;
    const std::string wave = ShortWave();
    WriteFileBytes(dir.Str("wave.mp3"), wave);

    IPcmReader* source = nullptr;
    ASSERT_EQ(OpenPcmSource(dir.W("wave.mp3"), 1, &source), S_OK);
    std::uint64_t frames = 0;
    EXPECT_EQ(source->GetLengthFrames(&frames), S_OK);
    EXPECT_EQ(frames, 4410u);
    source->Close();
    source->Release();

    EXPECT_EQ(ImportAndWriteBack(dir.W("wave.mp3")), u"wave");
    EXPECT_EQ(ReadFileBytes(dir.Str("wave.mp3")), wave);
}

TEST(MisnamedFiles, OtherMismatchesAreNeverTaggedEither) {
    TempDir dir;
    // A Windows Media file named ".mp3": its tags are read through the component, but the file
    // gets no ID3 tag.
    MakeWma(dir.Str("asf.mp3"), "-f asf -metadata title='Really WMA'");
    const std::string asf = ReadFileBytes(dir.Str("asf.mp3"));
    EXPECT_EQ(ImportAndWriteBack(dir.W("asf.mp3")), u"Really WMA");
    EXPECT_EQ(ReadFileBytes(dir.Str("asf.mp3")), asf);

    // An MP3 stream named ".wma", and a FLAC signature named ".mp3".
    WriteFileBytes(dir.Str("mpeg.wma"), Mp3Audio());
    EXPECT_EQ(ImportAndWriteBack(dir.W("mpeg.wma")), u"mpeg");
    EXPECT_EQ(ReadFileBytes(dir.Str("mpeg.wma")), Mp3Audio());
    const std::string flac = "fLaC" + std::string(200, '\0');
    WriteFileBytes(dir.Str("flac.mp3"), flac);
    ImportAndWriteBack(dir.W("flac.mp3"));
    EXPECT_EQ(ReadFileBytes(dir.Str("flac.mp3")), flac);
}
