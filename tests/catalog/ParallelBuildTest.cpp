// The build manager with four workers: every entry built once, each entry's progress in order,
// removals and shutdowns while builds and tag writes run.

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <map>
#include <set>
#include <thread>
#include <utility>
#include <vector>

#include "core/UiUpdateQueue.h"
#include "profile/BuildProgressSink.h"
#include "tests/catalog/CatalogFixture.h"
#include "tools/MusicSynth.h"

namespace fs = std::filesystem;

namespace {

constexpr unsigned kWorkers = 4;

class ParallelBuild : public CatalogFixture {
protected:
    bool WithoutComponents() const override { return false; }  // MP3 files for the tag writes
    CatalogOptions Options() const override {
        CatalogOptions options;
        options.buildWorkers = kWorkers;
        return options;
    }

    // Writes one track and copies it to `count` files named <stem><i>.<ext>, i from 1.
    std::vector<fs::path> Tracks(int count, double seconds, const std::string& ext) {
        MusicSpec music;
        music.bpm = 126;
        music.seconds = seconds;
        music.channels = 1;
        const fs::path wav = scratch.Path() / "track.wav";
        EXPECT_TRUE(WriteWave16(wav.string(), SynthesiseMusic(music), 1, 44100));
        fs::path source = wav;
        if (ext == "mp3") {
            source = scratch.Path() / "track.mp3";
            EXPECT_EQ(RunCommand("lame --quiet '" + wav.string() + "' '" + source.string() + "'"), 0);
            original = ReadFileBytes(source);
        }
        std::vector<fs::path> paths;
        for (int i = 1; i <= count; ++i) {
            paths.push_back(dir.Path() / ("t" + std::to_string(100 + i) + "." + ext));
            fs::copy_file(source, paths.back());
        }
        return paths;
    }

    // Adds the files in order, so that entry i has id i.
    void Add(const std::vector<fs::path>& paths) {
        for (const fs::path& path : paths) Cat().AddFile(Utf8ToUtf16(path.string()));
    }

    // Pops every queued UI message into `messages`, counting code 21 per id.
    void Record() {
        std::int32_t code = 0, param = 0;
        while (engine->Queue()->PopUpdate(&code, &param) == S_OK) {
            messages.emplace_back(code, param);
            if (code == kUiMsgProfileBuilt) ++built[static_cast<std::uint32_t>(param)];
        }
    }

    // Records until a message with `code` arrives; false when none comes within a minute.
    bool WaitForMessage(std::int32_t code) {
        for (int i = 0; i < 60000; ++i) {
            Record();
            if (std::any_of(messages.begin(), messages.end(), [code](const auto& m) { return m.first == code; }))
                return true;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        return false;
    }

    void RecordUntilIdle() {
        for (int i = 0; i < 600000 && catalog->WaitForBuildsIdle(1) != S_OK; ++i) Record();
        Record();
    }

    // Records until some entry has been built and at least `inFlight` builds have begun.
    void RecordUntilBusy(std::size_t inFlight) {
        for (int i = 0; i < 600000; ++i) {
            Record();
            std::set<std::int32_t> begun;
            for (const auto& [code, param] : messages)
                if (code == UiProgressCode(kProgressStart)) begun.insert(param);
            if (!built.empty() && begun.size() >= inFlight + built.size()) return;
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        FAIL() << "the builds never got going";
    }

    // The progress percentages each entry reported, in order.
    std::map<std::int32_t, std::vector<int>> ProgressById() const {
        std::map<std::int32_t, std::vector<int>> progress;
        for (const auto& [code, param] : messages) {
            int percent = 0;
            if (IsUiProgressCode(code, percent)) progress[param].push_back(percent);
        }
        return progress;
    }

    // The most entries whose builds had begun (first progress) and not yet ended (message 21).
    std::size_t MostBuildsAtOnce() const {
        std::set<std::int32_t> running;
        std::size_t most = 0;
        for (const auto& [code, param] : messages) {
            if (code == UiProgressCode(kProgressStart)) running.insert(param);
            if (code == kUiMsgProfileBuilt) running.erase(param);
            most = std::max(most, running.size());
        }
        return most;
    }

    // Every MP3 is whole: its audio exactly as encoded, behind either no tag or a complete ID3v2
    // tag that carries a BPM; no temporary file is left beside it.
    void ExpectEveryMp3Whole(const std::vector<fs::path>& paths) {
        for (const fs::path& path : paths) {
            const std::string bytes = ReadFileBytes(path);
            if (bytes == original) continue;
            ASSERT_GE(bytes.size(), 10u) << path;
            ASSERT_EQ(bytes.substr(0, 3), "ID3") << path;
            std::size_t size = 0;
            for (int i = 6; i < 10; ++i) size = size << 7 | (static_cast<unsigned char>(bytes[i]) & 0x7F);
            const std::string tag = bytes.substr(0, 10 + size);
            EXPECT_NE(tag.find("TBPM"), std::string::npos) << path;
            // Padding may follow the frames; the audio starts where the tag ends.
            EXPECT_TRUE(bytes.compare(10 + size, std::string::npos, original) == 0) << path;
        }
        for (const fs::directory_entry& entry : fs::directory_iterator(dir.Path()))
            EXPECT_EQ(entry.path().extension(), ".mp3") << entry.path();
    }

    TempDir scratch;  // the encoded originals, outside the imported folder
    std::string original;
    std::vector<std::pair<std::int32_t, std::int32_t>> messages;
};

}  // namespace

TEST_F(ParallelBuild, FortyEntriesAreEachBuiltOnceWithTheirProgressInOrder) {
    const std::vector<fs::path> paths = Tracks(40, 2, "wav");
    // The idle workers' empty-queue message goes first, so that the last one is not dropped as
    // a repeat of it.
    ASSERT_TRUE(WaitForMessage(kUiMsgQueueEmpty));
    Add(paths);
    // Two rescans while the first builds are queued or running: those entries are built twice,
    // one build after the other.
    EXPECT_EQ(catalog->Reanalyze(1), S_OK);
    EXPECT_EQ(catalog->Reanalyze(2), S_OK);
    RecordUntilIdle();

    const auto progress = ProgressById();
    ASSERT_EQ(progress.size(), 40u);
    for (std::uint32_t id = 1; id <= 40; ++id) {
        const int builds = id <= 2 ? 2 : 1;
        EXPECT_EQ(built[id], builds) << id;
        EXPECT_GT(Bpm(id), 0.0f) << id;
        // Each build counts up from 0 to 100; a second build starts again only after the first
        // has ended, so the values drop exactly once per extra build.
        const std::vector<int>& values = progress.at(static_cast<std::int32_t>(id));
        int drops = 0;
        for (std::size_t i = 1; i < values.size(); ++i) drops += values[i] < values[i - 1];
        EXPECT_EQ(drops, builds - 1) << id;
        EXPECT_EQ(values.front(), kProgressStart) << id;
        EXPECT_EQ(values.back(), kProgressDone) << id;
    }
    EXPECT_GE(MostBuildsAtOnce(), 2u);  // the workers really build side by side
    // The last worker to fall idle says that the queue is empty, after the last result.
    const auto lastBuilt = std::find_if(messages.rbegin(), messages.rend(), [](const auto& m) {
        return m.first == kUiMsgProfileBuilt;
    });
    messages.erase(messages.begin(), lastBuilt.base());
    EXPECT_TRUE(WaitForMessage(kUiMsgQueueEmpty));
}

TEST_F(ParallelBuild, EntriesRemovedWhileWorkersRunAreDroppedAndTheRestAreBuilt) {
    Add(Tracks(40, 6, "wav"));
    std::set<std::uint32_t> removed;
    for (std::uint32_t id = 3; id <= 40; id += 3) {
        Record();
        EXPECT_EQ(catalog->RemoveItem(id), S_OK);
        removed.insert(id);
        std::this_thread::sleep_for(std::chrono::milliseconds(15));
    }
    RecordUntilIdle();
    for (std::uint32_t id = 1; id <= 40; ++id) {
        if (removed.count(id)) {
            EXPECT_LE(built[id], 1) << id;  // a build already running may finish
            EXPECT_EQ(Bpm(id), -1.0f) << id;
        } else {
            EXPECT_EQ(built[id], 1) << id;
            EXPECT_GT(Bpm(id), 0.0f) << id;
        }
    }
    EXPECT_EQ(Paths().size(), 40u - removed.size());
}

TEST_F(ParallelBuild, ShutdownWithBuildsInFlightStopsEveryWorkerAndLeavesFilesWhole) {
    const std::vector<fs::path> paths = Tracks(12, 40, "mp3");
    // The first entry is short, so that one tag has been written when the shutdown comes.
    const std::string longOriginal = original;
    fs::remove(paths[0]);
    Tracks(1, 2, "mp3");  // the same first name
    Add(paths);
    RecordUntilBusy(2);

    const auto start = std::chrono::steady_clock::now();
    engine->CloseCatalog();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
    Record();
    EXPECT_LT(built.size(), paths.size());
    ExpectEveryMp3Whole({paths[0]});
    original = longOriginal;
    ExpectEveryMp3Whole({paths.begin() + 1, paths.end()});
}

TEST_F(ParallelBuild, ShutdownWhileWorkersWriteTagsLeavesEveryFileWhole) {
    const std::vector<fs::path> paths = Tracks(40, 1.5, "mp3");
    Add(paths);
    // Short tracks: the workers spend much of their time writing tags.
    RecordUntilBusy(kWorkers);
    engine->CloseCatalog();
    Record();
    ExpectEveryMp3Whole(paths);
    // Every entry reported as built carries its tag.
    for (const auto& [id, count] : built) EXPECT_EQ(ReadFileBytes(paths[id - 1]).substr(0, 3), "ID3") << id;
}
