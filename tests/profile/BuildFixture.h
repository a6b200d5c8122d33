#pragma once
// Runs whole profile builds on synthesised music files.

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "catalog/CatItem.h"
#include "core/QmEngine.h"
#include "profile/ProfileBuilder.h"
#include "tests/support/TempDir.h"
#include "tools/MusicSynth.h"

struct BuildOutcome {
    int result = 0;
    CPfTrackProfile profile;
    std::vector<int> progress;  // percentages posted, in order
};

class BuildFixture : public ::testing::Test {
protected:
    void SetUp() override { engine = new CQmEngine; }
    void TearDown() override { engine->Release(); }

    // Writes `music` as a 16-bit WAVE file named `name` in the temporary folder.
    std::string Music(const std::string& name, const MusicSpec& music) {
        const std::string path = dir.Str(name);
        EXPECT_TRUE(WriteWave16(path, SynthesiseMusic(music), music.channels, music.sampleRate));
        return path;
    }

    BuildOutcome Build(const std::string& path, bool cancelled = false) {
        BuildOutcome out;
        ComPtr<CCatItem> item(new CCatItem(7, Utf8ToUtf16(path)));
        BuildProgressSink sink;
        sink.engine = engine;
        sink.itemId = 7;
        CProfileBuilder builder;
        if (cancelled) builder.cancel = 1;
        out.result = builder.BuildProfile(sink, *item.Get(), out.profile);
        std::int32_t code = 0, param = 0;
        while (engine->Queue()->PopUpdate(&code, &param) == S_OK) {
            EXPECT_EQ(param, 7);
            out.progress.push_back(code - 1000);
        }
        return out;
    }

    static MusicSpec Steady(double bpm, std::uint32_t rate = 44100) {
        MusicSpec music;
        music.bpm = bpm;
        music.seconds = 40;
        music.sampleRate = rate;
        return music;
    }

    TempDir dir;
    CQmEngine* engine = nullptr;
};
