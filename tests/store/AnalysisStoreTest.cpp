// The analysis store on its own: finding a file again after a move or a change, the hand-set
// BPM, damaged and unusable databases, the schema migration, and many writers at once.

#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <filesystem>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "store/AnalysisStore.h"
#include "store/AudioFingerprint.h"
#include "store/ProfileBlob.h"
#include "store/StoreSchema.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

namespace {

std::string Bytes(size_t size, unsigned seed) {
    std::string out(size, '\0');
    unsigned x = seed * 2654435761u + 7;
    for (char& c : out) {
        x = x * 1103515245u + 12345u;
        c = static_cast<char>(x >> 16);
    }
    return out;
}

CPfTrackProfile Profile(float bpm) {
    CPfTrackProfile p;
    p.bpm = bpm;
    p.sampleRate = 44100;
    p.keyRoot = 4;
    p.keyMode = 1;
    p.sectionMarks = {1, 2, 3};
    return p;
}

class StoreTest : public ::testing::Test {
protected:
    std::string DbPath() const { return dir.Str("data/tempowright/analysis.sqlite"); }

    std::unique_ptr<CAnalysisStore> Open() {
        return std::make_unique<CAnalysisStore>(
            DbPath(), [this](const std::string& m) { warnings.push_back(m); });
    }

    // A file of "audio" (the bytes stand for samples; only their identity matters here).
    WString Track(const std::string& name, unsigned seed, size_t size = 300 * 1024) {
        fs::create_directories((dir.Path() / name).parent_path());
        WriteFileBytes(dir.Path() / name, Bytes(size, seed));
        return dir.W(name);
    }

    // The database files moved aside so far.
    std::vector<fs::path> Aside() const {
        std::vector<fs::path> out;
        for (const auto& e : fs::directory_iterator(fs::path(DbPath()).parent_path()))
            if (e.path().filename().string().find(".damaged-") != std::string::npos &&
                e.path().extension() != ".sqlite-wal")
                out.push_back(e.path());
        return out;
    }

    // A store opened on whatever lies at DbPath() works like a new one.
    void ExpectFreshStoreWorks() {
        auto store = Open();
        ASSERT_TRUE(store->IsOn());
        const WString track = Track("fresh.wav", 42);
        EXPECT_FALSE(store->Lookup(track));
        ASSERT_TRUE(store->Record(track, Profile(128), "128.00"));
        ASSERT_TRUE(store->Lookup(track));
    }

    // Runs `program` (given its number) in `count` processes started together, each its own
    // opener of the store as separate programs are; returns how many returned true.
    int ProgramsTogether(int count, const std::function<bool(int)>& program) {
        const fs::path go = dir.Path() / ("go" + std::to_string(++starts_));
        std::vector<pid_t> pids;
        for (int i = 0; i < count; ++i) {
            const pid_t pid = fork();
            if (pid < 0) break;
            if (pid == 0) {
                while (!fs::exists(go)) std::this_thread::yield();
                _exit(program(i) ? 0 : 1);
            }
            pids.push_back(pid);
        }
        WriteFileBytes(go, "");
        int succeeded = 0;
        for (const pid_t pid : pids) {
            int status = -1;
            waitpid(pid, &status, 0);
            if (WIFEXITED(status) && WEXITSTATUS(status) == 0) ++succeeded;
        }
        return succeeded;
    }

    TempDir dir;
    std::vector<std::string> warnings;

private:
    int starts_ = 0;
};

}  // namespace

TEST_F(StoreTest, AMeasurementIsFoundByIdentityAndAfterAMove) {
    const WString track = Track("music/a.wav", 1);
    {
        auto store = Open();
        ASSERT_TRUE(store->IsOn());
        EXPECT_FALSE(store->Lookup(track));
        ASSERT_TRUE(store->Record(track, Profile(127.996f), "128.00"));
    }
    auto store = Open();  // another run
    const auto hit = store->Lookup(track);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->profile.bpm, 127.996f);
    EXPECT_EQ(hit->profile.sectionMarks, (std::vector<std::int64_t>{1, 2, 3}));
    EXPECT_EQ(hit->bpmText, "128.00");
    EXPECT_EQ(hit->programVersion, CAnalysisStore::ProgramVersion());
    EXPECT_GT(hit->measuredAt, 0);
    EXPECT_FALSE(hit->manualBpm);

    // Moved to another folder under another name, and copied: the audio is still known.
    fs::create_directories(dir.Path() / "elsewhere");
    fs::rename(dir.Path() / "music/a.wav", dir.Path() / "elsewhere/renamed.wav");
    fs::copy_file(dir.Path() / "elsewhere/renamed.wav", dir.Path() / "copy.wav");
    ASSERT_TRUE(store->Lookup(dir.W("elsewhere/renamed.wav")));
    ASSERT_TRUE(store->Lookup(dir.W("copy.wav")));
    EXPECT_TRUE(warnings.empty());
}

TEST_F(StoreTest, ChangedAudioIsNotFoundAndItsNewMeasurementIsKept) {
    const WString track = Track("a.wav", 1);
    auto store = Open();
    ASSERT_TRUE(store->Record(track, Profile(120), "120.00"));
    Track("a.wav", 2);  // same name, same size, other audio
    EXPECT_FALSE(store->Lookup(track));
    ASSERT_TRUE(store->Record(track, Profile(90), "90.00"));
    EXPECT_EQ(store->Lookup(track)->profile.bpm, 90.0f);
    Track("a.wav", 1);  // the first audio again: its own measurement
    EXPECT_EQ(store->Lookup(track)->profile.bpm, 120.0f);
}

TEST_F(StoreTest, ABpmSetByHandWinsAndOutlivesANewMeasurement) {
    const WString track = Track("a.wav", 1);
    auto store = Open();
    // Set by hand before any measurement: found as it is, gone when cleared.
    ASSERT_TRUE(store->SetManualBpm(track, 100.0f));
    EXPECT_EQ(store->Lookup(track)->Bpm(), 100.0f);
    EXPECT_EQ(store->Lookup(track)->measuredAt, 0);
    ASSERT_TRUE(store->SetManualBpm(track, std::nullopt));
    EXPECT_FALSE(store->Lookup(track));
    EXPECT_FALSE(store->SetManualBpm(Track("other.wav", 2), std::nullopt));

    ASSERT_TRUE(store->Record(track, Profile(120), "120.00"));
    ASSERT_TRUE(store->SetManualBpm(track, 100.0f));
    EXPECT_EQ(store->Lookup(track)->Bpm(), 100.0f);
    ASSERT_TRUE(store->Record(track, Profile(121), "121.00"));
    const auto hit = store->Lookup(track);
    EXPECT_EQ(hit->Bpm(), 100.0f);
    EXPECT_EQ(hit->profile.bpm, 121.0f);
    ASSERT_TRUE(store->SetManualBpm(track, std::nullopt));
    EXPECT_EQ(store->Lookup(track)->Bpm(), 121.0f);
}

TEST_F(StoreTest, RecordIdentityLinksARewrittenFile) {
    const std::string audio = Bytes(200 * 1024, 3);
    WriteFileBytes(dir.Path() / "a.mp3", audio);
    auto store = Open();
    ASSERT_TRUE(store->Record(dir.W("a.mp3"), Profile(125), "125.00"));
    // A tag written in front of the audio through a new file: new inode, size and time.
    std::string tagged = std::string("ID3\x03\0\0\0\0\x08\0", 10) + std::string(1024, '\0') + audio;
    WriteFileBytes(dir.Path() / "a.tmp", tagged);
    fs::rename(dir.Path() / "a.tmp", dir.Path() / "a.mp3");
    ASSERT_TRUE(store->RecordIdentity(dir.W("a.mp3")));
    EXPECT_EQ(store->Lookup(dir.W("a.mp3"))->profile.bpm, 125.0f);
    EXPECT_FALSE(store->RecordIdentity(Track("other.mp3", 9)));
}

TEST_F(StoreTest, ADamagedDatabaseIsMovedAsideAndRebuilt) {
    const WString track = Track("a.wav", 1);
    {
        auto store = Open();
        ASSERT_TRUE(store->Record(track, Profile(120), "120.00"));
    }
    const std::string good = ReadFileBytes(DbPath());
    ASSERT_GT(good.size(), 4096u);

    struct Damage {
        const char* name;
        std::function<void()> apply;
    };
    const std::vector<Damage> damages = {
        {"random bytes", [&] { WriteFileBytes(DbPath(), Bytes(good.size(), 5)); }},
        {"truncated", [&] { WriteFileBytes(DbPath(), good.substr(0, good.size() / 2 + 100)); }},
        {"header only", [&] { WriteFileBytes(DbPath(), good.substr(0, 100)); }},
        {"a directory", [&] { fs::create_directories(DbPath() + "/inside"); }},
        {"no permission", [&] { WriteFileBytes(DbPath(), good); fs::permissions(DbPath(), fs::perms::none); }},
    };
    size_t aside = Aside().size();
    for (const Damage& damage : damages) {
        SCOPED_TRACE(damage.name);
        std::error_code ec;
        fs::remove_all(DbPath(), ec);
        fs::remove(DbPath() + "-wal", ec);
        fs::remove(DbPath() + "-shm", ec);
        damage.apply();
        warnings.clear();
        ExpectFreshStoreWorks();
        EXPECT_EQ(Aside().size(), ++aside);
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find("moved to"), std::string::npos) << warnings[0];
    }
}

TEST_F(StoreTest, AReadOnlyFolderSwitchesTheStoreOffWithOneWarning) {
    const WString track = Track("a.wav", 1);
    const fs::path folder = fs::path(DbPath()).parent_path();
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    {
        auto store = Open();
        EXPECT_FALSE(store->IsOn());
        EXPECT_FALSE(store->Lookup(track));
        EXPECT_FALSE(store->Record(track, Profile(120), "120.00"));
        EXPECT_FALSE(store->RecordIdentity(track));
        ASSERT_EQ(warnings.size(), 1u);
        EXPECT_NE(warnings[0].find("read-only"), std::string::npos) << warnings[0];
    }
    fs::permissions(folder, fs::perms::owner_all);
    EXPECT_FALSE(fs::exists(DbPath()));
}

TEST_F(StoreTest, AFolderThatCannotBeCreatedSwitchesTheStoreOff) {
    WriteFileBytes(dir.Path() / "data", "a file where the folder should be");
    auto store = Open();
    EXPECT_FALSE(store->IsOn());
    EXPECT_EQ(warnings.size(), 1u);
}

TEST_F(StoreTest, AVersionOneStoreIsMigratedAndKeepsItsMeasurements) {
    const WString track = Track("a.wav", 1);
    // A store as the first schema left it, with one measurement.
    {
        fs::create_directories(fs::path(DbPath()).parent_path());
        CSqliteDb db;
        db.Open(DbPath());
        MigrateStoreSchema(db, 1);
        AudioFingerprint fp;
        ASSERT_TRUE(ComputeAudioFingerprint(track, fp));
        const std::string blob = EncodeProfileBlob(Profile(131));
        CSqliteStatement put(db,
                             "INSERT INTO analysis (payload_size, payload_hash, profile, bpm, "
                             "bpm_text, key_root, key_mode, measured_at, program_version) "
                             "VALUES (?, ?, ?, 131, '131.00', 4, 1, 1700000000, '0.0')");
        put.Bind(1, static_cast<std::int64_t>(fp.payloadSize))
            .BindBlob(2, fp.hash.data(), fp.hash.size())
            .BindBlob(3, blob.data(), blob.size())
            .Run();
        ASSERT_EQ(StoreSchemaVersion(db), 1);
    }
    auto store = Open();
    ASSERT_TRUE(store->IsOn());
    const auto hit = store->Lookup(track);
    ASSERT_TRUE(hit);
    EXPECT_EQ(hit->profile.bpm, 131.0f);
    EXPECT_EQ(hit->programVersion, "0.0");
    EXPECT_EQ(hit->measuredAt, 1700000000);
    EXPECT_FALSE(hit->manualBpm);
    EXPECT_TRUE(store->SetManualBpm(track, 99.5f));
    EXPECT_EQ(store->Lookup(track)->Bpm(), 99.5f);
    store.reset();
    CSqliteDb db;
    db.Open(DbPath());
    EXPECT_EQ(StoreSchemaVersion(db), kStoreSchemaVersion);
}

TEST_F(StoreTest, MigrationStepsBuildTheSameSchemaAsANewStore) {
    CSqliteDb stepwise;
    stepwise.Open(dir.Str("stepwise.sqlite"));
    MigrateStoreSchema(stepwise, 1);
    EXPECT_EQ(StoreSchemaVersion(stepwise), 1);
    MigrateStoreSchema(stepwise, 2);
    EXPECT_EQ(StoreSchemaVersion(stepwise), 2);
    MigrateStoreSchema(stepwise);  // nothing left to do
    EXPECT_EQ(StoreSchemaVersion(stepwise), kStoreSchemaVersion);

    CSqliteDb newer;
    newer.Open(dir.Str("newer.sqlite"));
    newer.Exec("PRAGMA user_version = 99");
    EXPECT_THROW(MigrateStoreSchema(newer), CSqliteError);
}

TEST_F(StoreTest, ManyThreadsWriteAndReadThroughOneStore) {
    auto store = Open();
    constexpr int kThreads = 6, kTracks = 8;
    std::vector<WString> tracks;
    for (int t = 0; t < kThreads * kTracks; ++t)
        tracks.push_back(Track("t" + std::to_string(t) + ".wav", 100 + t, 4096));
    std::vector<std::thread> threads;
    for (int t = 0; t < kThreads; ++t)
        threads.emplace_back([&, t] {
            for (int i = 0; i < kTracks; ++i) {
                const int n = t * kTracks + i;
                EXPECT_TRUE(store->Record(tracks[n], Profile(60.0f + n), "x"));
                store->Lookup(tracks[(n + 1) % tracks.size()]);  // found or not yet: both fine
            }
        });
    for (auto& th : threads) th.join();
    for (int n = 0; n < kThreads * kTracks; ++n)
        EXPECT_EQ(store->Lookup(tracks[n])->profile.bpm, 60.0f + n);
    EXPECT_TRUE(warnings.empty());
}

TEST_F(StoreTest, ProgramsOpeningANewStoreAtOnceAllGetIt) {
    // Switching a new file to write-ahead logging needs it alone for a moment; none of the
    // programs may give up on that.
    for (int round = 0; round < 8; ++round) {
        const std::string path = dir.Str("round" + std::to_string(round) + "/analysis.sqlite");
        EXPECT_EQ(ProgramsTogether(4, [&](int) {
                      bool warned = false;
                      CAnalysisStore store(path, [&](const std::string& m) {
                          warned = true;
                          std::fprintf(stderr, "%s\n", m.c_str());
                      });
                      return store.IsOn() && !warned;
                  }),
                  4)
            << "round " << round;
    }
}

TEST_F(StoreTest, ProgramsFindingADamagedStoreAtOnceRebuildItOnce) {
    constexpr int kPrograms = 4;
    std::vector<WString> tracks;
    for (int i = 0; i < kPrograms; ++i) tracks.push_back(Track("p" + std::to_string(i) + ".wav", 200 + i));
    for (int round = 0; round < 4; ++round) {
        SCOPED_TRACE(round);
        fs::remove_all(fs::path(DbPath()).parent_path());
        fs::create_directories(fs::path(DbPath()).parent_path());
        WriteFileBytes(DbPath(), Bytes(64 * 1024, 9));
        // Each program records its own track. One of them moves the damaged file aside; none may
        // move aside the new store another has just started, or its measurement would be lost.
        EXPECT_EQ(ProgramsTogether(kPrograms, [&](int i) {
                      CAnalysisStore store(DbPath(), nullptr);
                      return store.Record(tracks[static_cast<size_t>(i)], Profile(100.0f + i), "x");
                  }),
                  kPrograms);
        EXPECT_EQ(Aside().size(), 1u);
        auto store = Open();
        for (int i = 0; i < kPrograms; ++i) {
            const auto found = store->Lookup(tracks[static_cast<size_t>(i)]);
            EXPECT_TRUE(found && found->profile.bpm == 100.0f + i) << "program " << i;
        }
    }
}

TEST(StoreLocation, FollowsXdgDataHomeAndFallsBackToHome) {
    const char* saved = getenv("XDG_DATA_HOME");
    const std::string keep = saved ? saved : "";
    const std::string home = getenv("HOME") ? getenv("HOME") : "/";
    setenv("XDG_DATA_HOME", "/data/x", 1);
    EXPECT_EQ(CAnalysisStore::DefaultPath(), "/data/x/tempowright/analysis.sqlite");
    setenv("XDG_DATA_HOME", "relative", 1);  // not absolute: ignored
    setenv("HOME", "/home/someone", 1);
    EXPECT_EQ(CAnalysisStore::DefaultPath(), "/home/someone/.local/share/tempowright/analysis.sqlite");
    setenv("HOME", home.c_str(), 1);
    if (saved)
        setenv("XDG_DATA_HOME", keep.c_str(), 1);
    else
        unsetenv("XDG_DATA_HOME");
}
