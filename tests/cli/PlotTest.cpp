// tempowright-cli plot, run as a separate process: the SVG written directly, the PNG through the
// picture program, the store used and fed, and every failure reported with nothing written.

#include <gtest/gtest.h>

#include <filesystem>
#include <string>

#include "tests/cli/CliFixture.h"

namespace fs = std::filesystem;

using namespace clitest;

namespace {

class PlotTest : public CliTest {
protected:
    std::string Store() const { return dir.Str("data-home/tempowright/analysis.sqlite"); }
    // Nothing but the music files (and the test's own bookkeeping) in the folder.
    bool OnlyMusicLeft() const {
        for (const auto& entry : fs::directory_iterator(dir.Path())) {
            const std::string name = entry.path().filename().string();
            if (name.ends_with(".wav") || name == "stderr.txt" || name == "py-in.txt" || name == "data-home")
                continue;
            ADD_FAILURE() << "left behind: " << name;
            return false;
        }
        return true;
    }
};

}  // namespace

TEST_F(PlotTest, SvgBarMarksSitWhereTheProfileHasThem) {
    const std::string wav = Music("track", 124);
    const CliResult plot = Cli("plot '" + wav + "' -o '" + dir.Str("track.svg") + "' --width 900 --height 120 --scale 2");
    ASSERT_EQ(plot.status, 0) << plot.err;
    EXPECT_EQ(plot.out, "");
    const CliResult profile = Cli("profile '" + wav + "'");
    ASSERT_EQ(profile.status, 0);

    // An independent XML reader: the document's size and viewBox, and each bar line at the x of
    // a bar mark of the profile, within one pixel.
    const std::string check =
        "import json,sys,xml.etree.ElementTree as E\n"
        "p=json.load(sys.stdin)\n"
        "s=E.parse(\"" + dir.Str("track.svg") + "\").getroot()\n"
        "n=\"{http://www.w3.org/2000/svg}\"\n"
        "print(s.get(\"width\"), s.get(\"height\"), s.get(\"viewBox\"))\n"
        "bars=[float(l.get(\"x1\")) for l in s.iter(n+\"line\") if l.get(\"class\")==\"bar\"]\n"
        "want=[m*900.0/p[\"lengthFrames\"] for m in p[\"barMarks\"]]\n"
        "print(len(bars)==len(want)>0, all(abs(a-b)<=1 for a,b in zip(bars,want)))\n"
        "t=[x.text for x in s.iter(n+\"text\")]\n"
        "print(t)\n";
    EXPECT_EQ(Python(check, profile.out), "1800 240 0 0 900 120\nTrue True\n['124.00 BPM  Am']\n");
}

TEST_F(PlotTest, TheStoreIsReadWhenItKnowsTheTrackAndFedWhenItDoesNot) {
    const std::string wav = Music("track", 128);
    const std::string svg = dir.Str("p.svg");
    ASSERT_EQ(Cli("plot --no-store '" + wav + "' -o '" + svg + "'").status, 0);
    EXPECT_FALSE(fs::exists(Store()));

    ASSERT_EQ(Cli("plot '" + wav + "' -o '" + svg + "'").status, 0);
    ASSERT_TRUE(fs::exists(Store()));
    // A BPM set by hand in the store shows in the next picture: it was drawn from the store.
    Python("import sqlite3; c=sqlite3.connect(\"" + Store() + "\"); "
           "c.execute(\"UPDATE analysis SET manual_bpm = 99.5\"); c.commit()", "");
    ASSERT_EQ(Cli("plot '" + wav + "' -o '" + svg + "'").status, 0);
    EXPECT_NE(ReadFileBytes(svg).find(">99.50 BPM"), std::string::npos);
    // --no-store measures again.
    ASSERT_EQ(Cli("plot --no-store '" + wav + "' -o '" + svg + "'").status, 0);
    EXPECT_NE(ReadFileBytes(svg).find(">128.00 BPM"), std::string::npos);
}

TEST_F(PlotTest, FailuresExitWithOneAndWriteNothing) {
    const std::string wav = Music("track", 128, 12);
    struct Case {
        std::string args;
        std::string message;
    };
    const Case cases[] = {
        {"plot '" + wav + "' -o '" + dir.Str("p.pdf") + "'", "must end in .svg or .png"},
        {"plot '" + dir.Str("missing.wav") + "' -o '" + dir.Str("p.svg") + "'", "no such file"},
        {"plot '" + dir.Str("stderr.txt") + "' -o '" + dir.Str("p.svg") + "'", "not audio"},
        {"plot '" + dir.Str("") + "' -o '" + dir.Str("p.svg") + "'", "not audio"},  // a folder
        {"plot '" + wav + "' -o '" + dir.Str("no-folder/p.svg") + "'", "cannot write"},
    };
    for (const Case& c : cases) {
        const CliResult r = Cli(c.args);
        EXPECT_EQ(r.status, 1) << c.args;
        EXPECT_NE(r.err.find(c.message), std::string::npos) << r.err;
    }
    // Silence has no beat to draw.
    const std::string quiet = dir.Str("quiet.wav");
    ASSERT_TRUE(WriteWave16(quiet, std::vector<float>(10 * 44100 * 2, 0.0f), 2, 44100));
    const CliResult r = Cli("plot '" + quiet + "' -o '" + dir.Str("q.svg") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("no beat found"), std::string::npos) << r.err;
    EXPECT_TRUE(OnlyMusicLeft());
}

TEST_F(PlotTest, UsageErrorsExitWithTwo) {
    const std::string wav = "'" + dir.Str("x.wav") + "'";
    const std::string out = " -o '" + dir.Str("x.svg") + "'";
    for (const std::string& args : {
             std::string("plot"),                          // no FILE
             "plot " + wav,                                // no -o
             "plot " + wav + " -o",                        // -o without a value
             "plot " + wav + out + " --width 0",
             "plot " + wav + out + " --width 16385",
             "plot " + wav + out + " --height 12x",
             "plot " + wav + out + " --scale 3",
             "plot " + wav + out + " --theme blue",
             "plot " + wav + out + " --from 10",           // --from without --to
             "plot " + wav + out + " --from 10 --to 10",   // empty range
             "plot " + wav + out + " --from -1 --to 10",
             "plot " + wav + out + " --from nan --to 10",
             "plot " + wav + out + " " + wav,              // two files
             wav + out,                                    // plot options without plot
         }) {
        const CliResult r = Cli(args);
        EXPECT_EQ(r.status, 2) << args;
        EXPECT_NE(r.err.find("Usage:"), std::string::npos) << args;
    }
}

#ifdef TW_PICTURE_PROGRAM
TEST_F(PlotTest, PngIsDrawnByThePictureProgram) {
    const std::string wav = Music("track", 128, 12);
    const std::string png = dir.Str("p.png");
    const CliResult r = Cli("plot '" + wav + "' -o '" + png + "' --width 300 --height 60 --scale 2 "
                            "--theme dark --from 2 --to 6");
    ASSERT_EQ(r.status, 0) << r.err;
    // A PNG of 600 x 120 pixels: the signature, then the header chunk's big-endian size.
    const std::string bytes = ReadFileBytes(png);
    ASSERT_GT(bytes.size(), 24u);
    EXPECT_EQ(bytes.substr(0, 8), "\x89PNG\r\n\x1a\n");
    auto be32 = [&](size_t at) {
        return (static_cast<unsigned char>(bytes[at]) << 24) | (static_cast<unsigned char>(bytes[at + 1]) << 16) |
               (static_cast<unsigned char>(bytes[at + 2]) << 8) | static_cast<unsigned char>(bytes[at + 3]);
    };
    EXPECT_EQ(be32(16), 600u);
    EXPECT_EQ(be32(20), 120u);

    // Without the picture program (no components folder) the PNG fails clearly, and nothing is
    // written; the SVG still works.
    const std::string empty = dir.Str("no-components");
    fs::create_directories(empty);
    const CliResult missing =
        Cli("plot '" + wav + "' -o '" + dir.Str("m.png") + "'", "TEMPOWRIGHT_COMPONENT_DIR='" + empty + "'");
    EXPECT_EQ(missing.status, 1);
    EXPECT_NE(missing.err.find("tempowright-picture"), std::string::npos) << missing.err;
    EXPECT_FALSE(fs::exists(dir.Path() / "m.png"));
    EXPECT_EQ(Cli("plot '" + wav + "' -o '" + dir.Str("m.svg") + "'", "TEMPOWRIGHT_COMPONENT_DIR='" + empty + "'").status, 0);
}
#endif
