// Imports with the analysis store: a track is measured once, whatever happens to its file
// afterwards, until its audio changes.

#include <filesystem>
#include <map>

#include "store/AnalysisStore.h"
#include "tests/catalog/CatalogFixture.h"
#include "tools/MusicSynth.h"

namespace fs = std::filesystem;

namespace {

class StoreImport : public CatalogFixture {
protected:
    bool WithoutComponents() const override { return false; }
    CatalogOptions Options() const override {
        CatalogOptions options;
        options.writeTags = writeTags;
        options.store = store;
        return options;
    }

    void Wave(const fs::path& path, double bpm, std::uint32_t seed = 1) {
        MusicSpec music;
        music.bpm = bpm;
        music.seconds = 8;
        music.seed = seed;
        fs::create_directories(path.parent_path());
        ASSERT_TRUE(WriteWave16(path.string(), SynthesiseMusic(music), 2, 44100));
    }

    struct Seen {
        float bpm;
        BpmSource source;
    };
    // BPM and its source per file name.
    std::map<std::string, Seen> Entries() {
        CatItemVector items;
        catalog->GetItems(&items);
        std::map<std::string, Seen> out;
        for (const ComPtr<CCatItem>& item : items)
            out[fs::path(Utf16ToUtf8(item->GetPath())).filename().string()] = {
                item->GetBpm(), item->GetBpmSource()};
        return out;
    }

    TempDir data;
    bool writeTags = true;
    std::shared_ptr<CAnalysisStore> store = std::make_shared<CAnalysisStore>(
        data.Str("tempowright/analysis.sqlite"), [](const std::string& m) { ADD_FAILURE() << m; });
};

}  // namespace

TEST_F(StoreImport, ReimportOfAWaveFolderMeasuresNothingAndGivesTheSameResults) {
    const fs::path folder = dir.Path() / "waves";
    const double tempi[] = {96, 118, 128, 141};
    for (int i = 0; i < 4; ++i) Wave(folder / ("t" + std::to_string(i) + ".wav"), tempi[i], i + 1);
    ImportAndAnalyse(folder);
    EXPECT_EQ(built.size(), 4u);
    const auto first = Entries();
    for (const auto& [name, seen] : first) {
        EXPECT_GT(seen.bpm, 0.0f) << name;
        EXPECT_EQ(seen.source, BpmSource::Analysis) << name;
    }

    Restart();
    ImportAndAnalyse(folder);
    EXPECT_TRUE(built.empty());
    const auto second = Entries();
    ASSERT_EQ(second.size(), first.size());
    for (const auto& [name, seen] : second) {
        EXPECT_EQ(seen.bpm, first.at(name).bpm) << name;
        EXPECT_EQ(seen.source, BpmSource::Store) << name;
    }

    // New audio under an old name (same length) is measured again; the rest is not.
    Wave(folder / "t2.wav", 100, 77);
    Restart();
    ImportAndAnalyse(folder);
    EXPECT_EQ(built.size(), 1u);
    const auto third = Entries();
    EXPECT_EQ(third.at("t2.wav").source, BpmSource::Analysis);
    EXPECT_EQ(third.at("t1.wav").source, BpmSource::Store);

    // A rescan measures again even though the store knows the track.
    CatItemVector items;
    catalog->GetItems(&items);
    ASSERT_EQ(catalog->Reanalyze(items[0]->GetId()), S_OK);
    WaitForBuilds();
    EXPECT_EQ(items[0]->GetBpmSource(), BpmSource::Analysis);
}

TEST_F(StoreImport, AMovedAndRetaggedMp3IsStillKnownAndGetsItsTag) {
    const fs::path first = dir.Path() / "in";
    Wave(dir.Path() / "src.wav", 124);
    fs::create_directories(first);
    ASSERT_EQ(RunCommand("lame --quiet '" + (dir.Path() / "src.wav").string() + "' '" +
                         (first / "song.mp3").string() + "'"),
              0);
    writeTags = false;  // the first run leaves the file as it is
    Restart();
    ImportAndAnalyse(first);
    ASSERT_EQ(built.size(), 1u);
    const float measured = Entries().at("song.mp3").bpm;

    // Moved to another folder under another name, and given a tag without a BPM.
    const fs::path second = dir.Path() / "moved";
    fs::create_directories(second);
    fs::rename(first / "song.mp3", second / "renamed.mp3");
    const std::string moved = (second / "renamed.mp3").string();
    ASSERT_EQ(RunCommand("id3v2 -t 'New Title' -a 'Someone' '" + moved + "'"), 0);

    writeTags = true;
    Restart();
    ImportAndAnalyse(second);
    EXPECT_TRUE(built.empty());
    EXPECT_EQ(Entries().at("renamed.mp3").bpm, measured);
    EXPECT_EQ(Entries().at("renamed.mp3").source, BpmSource::Store);

    // The hit wrote the BPM into the tag, so the next import takes it from there.
    std::string listing;
    RunCommand("id3v2 -l '" + moved + "'", &listing);
    EXPECT_NE(listing.find("TBPM"), std::string::npos) << listing;
    Restart();
    ImportAndAnalyse(second);
    EXPECT_TRUE(built.empty());
    EXPECT_EQ(Entries().at("renamed.mp3").source, BpmSource::Tag);
}

TEST_F(StoreImport, ABpmSetByHandIsWhatTheEntryShows) {
    const fs::path folder = dir.Path() / "w";
    Wave(folder / "a.wav", 128);
    ImportAndAnalyse(folder);
    ASSERT_EQ(built.size(), 1u);
    ASSERT_TRUE(store->SetManualBpm(Utf8ToUtf16((folder / "a.wav").string()), 64.5f));
    Restart();
    ImportAndAnalyse(folder);
    EXPECT_TRUE(built.empty());
    EXPECT_EQ(Entries().at("a.wav").bpm, 64.5f);
}

TEST_F(StoreImport, ABpmSetInTheListIsRememberedForAWaveFile) {
    // A WAVE file carries no tag of ours: only the store keeps the user's correction.
    const fs::path folder = dir.Path() / "w";
    Wave(folder / "a.wav", 128);
    ImportAndAnalyse(folder);
    ASSERT_EQ(built.size(), 1u);
    CatItemVector items;
    catalog->GetItems(&items);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(catalog->SetEntryBpm(items[0]->GetId(), 150.25f), S_OK);
    Restart();
    ImportAndAnalyse(folder);
    EXPECT_TRUE(built.empty());
    EXPECT_EQ(Entries().at("a.wav").bpm, 150.25f);
}

TEST_F(StoreImport, WithoutAStoreEveryImportMeasures) {
    const fs::path folder = dir.Path() / "w";
    Wave(folder / "a.wav", 128);
    store = nullptr;
    Restart();
    ImportAndAnalyse(folder);
    Restart();
    ImportAndAnalyse(folder);
    EXPECT_EQ(built.size(), 1u);
    EXPECT_EQ(Entries().at("a.wav").source, BpmSource::Analysis);
}
