#include <chrono>
#include <filesystem>
#include <thread>

#include "audio/ComponentIds.h"
#include "core/UiUpdateQueue.h"
#include "profile/BuildProgressSink.h"
#include "profile/TrackProfile.h"
#include "tests/catalog/CatalogFixture.h"
#include "tools/MusicSynth.h"

namespace {
void WriteMusic(const std::string& path, double seconds, double bpm = 128) {
    MusicSpec music;
    music.bpm = bpm;
    music.seconds = seconds;
    music.channels = 1;
    ASSERT_TRUE(WriteWave16(path, SynthesiseMusic(music), 1, 44100));
}
}  // namespace

TEST_F(CatalogFixture, TheSameIdQueuedTwiceIsBuiltTwice) {
    WriteMusic(dir.Str("a.wav"), 6);
    Cat().AddFile(dir.W("a.wav"));  // queued because it has no BPM
    EXPECT_EQ(catalog->Reanalyze(1), S_OK);
    WaitForBuilds();
    EXPECT_EQ(built[1], 2);
    EXPECT_GT(Bpm(1), 0.0f);
}

TEST_F(CatalogFixture, RescanOfADeletedFileLeavesNoTempoAndReportsTheFailure) {
    WriteMusic(dir.Str("a.wav"), 6);
    Cat().AddFile(dir.W("a.wav"));
    WaitForBuilds();
    ASSERT_EQ(built[1], 1);
    std::filesystem::remove(dir.Path() / "a.wav");
    EXPECT_EQ(catalog->Reanalyze(1), S_OK);
    EXPECT_EQ(Bpm(1), 0.0f);
    WaitForBuilds();
    // The failed build refreshes the row too, and the entry remembers why it failed.
    EXPECT_EQ(built[1], 2);
    EXPECT_EQ(Bpm(1), 0.0f);
    CCatItem* item = nullptr;
    ASSERT_EQ(catalog->GetItem(1, &item), S_OK);
    EXPECT_EQ(item->GetBuildFailure(), BuildFailure::FileMissing);
    // A successful build forgets an earlier failure.
    WriteMusic(dir.Str("a.wav"), 6);
    EXPECT_EQ(catalog->Reanalyze(1), S_OK);
    EXPECT_EQ(item->GetBuildFailure(), BuildFailure::None);
    WaitForBuilds();
    EXPECT_GT(Bpm(1), 0.0f);
    EXPECT_EQ(item->GetBuildFailure(), BuildFailure::None);
    item->Release();
}

TEST_F(CatalogFixture, ABpmSetByHandOutlivesAMeasurementUnderWayButNotARescan) {
    WriteMusic(dir.Str("a.wav"), 6);
    Cat().AddFile(dir.W("a.wav"));
    WaitForBuilds();
    const float measured = Bpm(1);
    ASSERT_GT(measured, 0.0f);
    ASSERT_EQ(catalog->SetEntryBpm(1, 99.5f), S_OK);

    // What a build that was already running when the user set the BPM hands over at its end:
    // its key is taken, its tempo and its failure are not.
    CCatItem* item = nullptr;
    ASSERT_EQ(catalog->GetItem(1, &item), S_OK);
    CPfTrackProfile late;
    late.bpm = 150.0f;
    late.keyRoot = 9;
    late.keyMode = 2;
    item->StoreProfile(late);
    item->SetBuildFailure(BuildFailure::NoBeat);
    EXPECT_EQ(Bpm(1), 99.5f);
    EXPECT_EQ(item->GetBpmSource(), BpmSource::Hand);
    EXPECT_EQ(item->GetBuildFailure(), BuildFailure::None);
    WString key;
    EXPECT_TRUE(item->GetFieldText(kFieldKey, key));
    EXPECT_EQ(key, u"A");

    // A rescan the user asks for afterwards measures again.
    EXPECT_EQ(catalog->Reanalyze(1), S_OK);
    WaitForBuilds();
    EXPECT_EQ(Bpm(1), measured);
    EXPECT_EQ(item->GetBpmSource(), BpmSource::Analysis);
    item->Release();
}

TEST_F(CatalogFixture, FilesThatAreNotAudioFailAsSuch) {
    WriteFileBytes(dir.Path() / "empty.wav", "");
    WriteFileBytes(dir.Path() / "text.wav", "RIFF but not really a wave file at all\n");
    Cat().AddFile(dir.W("empty.wav"));
    Cat().AddFile(dir.W("text.wav"));
    WaitForBuilds();
    for (std::uint32_t id : {1u, 2u}) {
        EXPECT_EQ(built[id], 1) << id;
        CCatItem* item = nullptr;
        ASSERT_EQ(catalog->GetItem(id, &item), S_OK);
        EXPECT_EQ(item->GetBuildFailure(), BuildFailure::NotAudio) << id;
        item->Release();
    }
}

TEST_F(CatalogFixture, RemovingAQueuedEntryDropsItsBuild) {
    for (const char* name : {"a.wav", "b.wav", "c.wav"}) WriteMusic(dir.Str(name), 6);
    Cat().AddFile(dir.W("a.wav"));
    Cat().AddFile(dir.W("b.wav"));
    Cat().AddFile(dir.W("c.wav"));
    EXPECT_EQ(catalog->RemoveItem(3), S_OK);
    WaitForBuilds();
    EXPECT_EQ(built[1], 1);
    EXPECT_EQ(built[2], 1);
    EXPECT_EQ(built.count(3), 0u);
}

TEST_F(CatalogFixture, ShutdownDuringABuildReturnsPromptly) {
    WriteMusic(dir.Str("long.wav"), 240);
    Cat().AddFile(dir.W("long.wav"));
    // Wait until the build has started (its first progress message).
    std::int32_t code = 0, param = 0;
    for (int i = 0; i < 5000 && code != UiProgressCode(kProgressStart); ++i) {
        if (engine->Queue()->PopUpdate(&code, &param) != S_OK)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
    }
    ASSERT_EQ(code, UiProgressCode(kProgressStart));
    const auto start = std::chrono::steady_clock::now();
    engine->CloseCatalog();
    const auto took = std::chrono::steady_clock::now() - start;
    EXPECT_LT(took, std::chrono::seconds(2));
    // The catalog's own reference (held by the fixture) is still valid after shutdown.
    CatItemVector items;
    EXPECT_EQ(catalog->GetItems(&items), S_OK);
}

TEST_F(CatalogFixture, EntriesStayConsistentWhileImportAndBuildsRun) {
    for (int i = 0; i < 12; ++i) WriteMusic(dir.Str("t" + std::to_string(i) + ".wav"), 2);
    ComPtr<IProgressStatus> status;
    CBstr folder(Utf8ToUtf16(dir.Path().string()));
    ASSERT_EQ(catalog->ImportDirectory(folder.Get(), status.Out()), S_OK);

    std::thread other([&] {
        std::uint32_t id = 1;
        for (int round = 0; round < 400; ++round) {
            CatItemVector items;
            catalog->GetItems(&items);
            for (const ComPtr<CCatItem>& item : items) {
                WString text;
                item->GetFieldText(kFieldBpm, text);
            }
            CCatItem* item = nullptr;
            if (SUCCEEDED(catalog->GetItem(id, &item))) item->Release();
            if (id % 5 == 0) catalog->RemoveItem(id);
            if (id % 3 == 0) catalog->Reanalyze(id);
            id = id % 12 + 1;
            std::this_thread::sleep_for(std::chrono::microseconds(200));
        }
    });
    WaitDone(status.Get());
    other.join();
    WaitForBuilds();
    // Every entry still present has been analysed.
    CatItemVector items;
    catalog->GetItems(&items);
    EXPECT_FALSE(items.empty());
    for (const ComPtr<CCatItem>& item : items) {
        EXPECT_GT(item->GetBpm(), 0.0f);
    }
}
