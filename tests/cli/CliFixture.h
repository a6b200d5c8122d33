#pragma once
// The fixture of the tempowright-cli tests: runs the program as a separate process in a
// temporary folder and makes music files for it.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/support/TempDir.h"
#include "tools/MusicSynth.h"

namespace clitest {

struct CliResult {
    int status;
    std::string out;
    std::string err;
};

class CliTest : public ::testing::Test {
protected:
    CliResult Cli(const std::string& args, const std::string& env = "") {
        CliResult r;
        const std::string errFile = dir.Str("stderr.txt");
        // The test's own analysis store, unless the caller names one.
        const std::string dataHome = "XDG_DATA_HOME='" + dir.Str("data-home") + "' ";
        r.status = RunCommand(dataHome + env + " " TW_CLI " " + args + " 2>'" + errFile + "'",
                              &r.out);
        r.err = ReadFileBytes(errFile);
        return r;
    }

    std::string Music(const std::string& name, double bpm, double seconds = 32) {
        MusicSpec music;
        music.bpm = bpm;
        music.seconds = seconds;
        const std::string wav = dir.Str(name + ".wav");
        EXPECT_TRUE(WriteWave16(wav, SynthesiseMusic(music), music.channels, music.sampleRate));
        return wav;
    }

    std::string Mp3(const std::string& name, double bpm) {
        const std::string wav = Music(name, bpm);
        const std::string mp3 = dir.Str(name + ".mp3");
        EXPECT_EQ(RunCommand("lame --quiet '" + wav + "' '" + mp3 + "'"), 0);
        std::filesystem::remove(wav);
        return mp3;
    }

    // Runs a Python snippet over standard input; returns its output.
    std::string Python(const std::string& code, const std::string& input) {
        const std::string in = dir.Str("py-in.txt");
        WriteFileBytes(in, input);
        std::string out;
        RunCommand("/usr/bin/python3 -c '" + code + "' < '" + in + "'", &out);
        return out;
    }

    TempDir dir;
};

}  // namespace clitest
