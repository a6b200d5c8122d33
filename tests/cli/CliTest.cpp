// tempowright-cli end to end, run as a separate process.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <filesystem>
#include <string>
#include <thread>

#include "tests/cli/CliFixture.h"

namespace fs = std::filesystem;

using namespace clitest;

TEST_F(CliTest, UsageErrorsAndMissingPathsExitWithTwo) {
    EXPECT_EQ(Cli("").status, 2);
    EXPECT_EQ(Cli("--format xml " + dir.Str("x")).status, 2);
    EXPECT_EQ(Cli("--bogus").status, 2);
    EXPECT_EQ(Cli("--export").status, 2);
    const CliResult missing = Cli(dir.Str("no-such-folder"));
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("no-such-folder"), std::string::npos);
    const CliResult help = Cli("--help");
    EXPECT_EQ(help.status, 0);
    EXPECT_NE(help.out.find("Usage: tempowright-cli"), std::string::npos);
    EXPECT_EQ(Cli("--version").status, 0);
}

TEST_F(CliTest, TsvAndJsonListEveryTrackWithItsTempo) {
    fs::create_directories(dir.Path() / "music" / "sub");
    Music("music/a", 128);
    Music("music/sub/b", 140);
    const CliResult tsv = Cli("--no-write --format tsv '" + dir.Str("music") + "'");
    ASSERT_EQ(tsv.status, 0) << tsv.err;
    const std::string a = dir.Str("music/a.wav"), b = dir.Str("music/sub/b.wav");
    // Path order, LF line ends, the BPM as the list shows it ("%.2f"), the key in the standard
    // notation (the synthesised music is in A minor).
    const std::string header = "path\ttitle\tartist\tbpm\tkey\n";
    const std::string rowA = a + "\ta\t\t128.00\tAm\n";
    ASSERT_EQ(tsv.out.substr(0, header.size() + rowA.size()), header + rowA);
    const std::string rowB = tsv.out.substr(header.size() + rowA.size());
    ASSERT_EQ(rowB.rfind(b + "\tb\t\t", 0), 0u) << rowB;
    EXPECT_NEAR(std::stod(rowB.substr(b.size() + 4)), 140.0, 0.05);
    EXPECT_EQ(rowB.back(), '\n');

    // The second run finds both measurements in the analysis store.
    const CliResult json = Cli("--no-write --format json --quiet '" + dir.Str("music") + "'");
    ASSERT_EQ(json.status, 0);
    const std::string fields = "import json,sys; rows=json.load(sys.stdin); print([(r[\"title\"], "
                               "round(r[\"bpm\"]), r[\"analysed\"], r[\"source\"]) for r in rows], "
                               "rows[0][\"key\"])";
    EXPECT_EQ(Python(fields, json.out),
              "[('a', 128, False, 'store'), ('b', 140, False, 'store')] Am\n");
    const CliResult measured =
        Cli("--no-write --no-store --format json --quiet '" + dir.Str("music") + "'");
    EXPECT_EQ(Python(fields, measured.out),
              "[('a', 128, True, 'analysis'), ('b', 140, True, 'analysis')] Am\n");

    const CliResult table = Cli("--no-write --format table '" + dir.Str("music") + "'");
    EXPECT_EQ(table.out.substr(0, table.out.find('\n')), "TITLE  ARTIST     BPM  KEY");
    EXPECT_NE(table.out.find("a      " "        128.00  Am\n"), std::string::npos) << table.out;
}

TEST_F(CliTest, ControlCharactersInNamesNeverReachTheTerminalOrSplitALine) {
    fs::create_directories(dir.Path() / "music");
    // The title comes from the file name: a tab, a line break and a colour escape.
    const std::string wav = Music("music/x", 120, 6);
    const std::string odd = dir.Str("music/Tab\there\nnext\x1b[31mred.wav");
    fs::rename(wav, odd);
    for (const char* format : {"tsv", "table"}) {
        const CliResult r = Cli(std::string("--no-write --quiet --format ") + format + " '" + dir.Str("music") + "'");
        ASSERT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out.find('\x1b'), std::string::npos) << format;
        EXPECT_EQ(std::count(r.out.begin(), r.out.end(), '\n'), 2) << format << "\n" << r.out;
        EXPECT_NE(r.out.find("Tab here next [31mred"), std::string::npos) << r.out;
    }
    const CliResult tsv = Cli("--no-write --quiet --format tsv '" + dir.Str("music") + "'");
    const std::string row = tsv.out.substr(tsv.out.find('\n') + 1);
    EXPECT_EQ(std::count(row.begin(), row.end(), '\t'), 4) << row;
    EXPECT_EQ(row.rfind(dir.Str("music/Tab here next [31mred.wav") + "\t", 0), 0u) << row;
}

TEST_F(CliTest, WritesTagsUnlessToldNotToAndReadsThemBack) {
    const std::string mp3 = Mp3("song", 128);
    const std::string original = ReadFileBytes(mp3);
    ASSERT_EQ(Cli("--no-write --quiet '" + mp3 + "'").status, 0);
    EXPECT_EQ(ReadFileBytes(mp3), original);  // byte-identical

    const CliResult first = Cli("--format tsv '" + mp3 + "'");
    ASSERT_EQ(first.status, 0) << first.err;
    const std::string bpm = first.out.substr(first.out.rfind("\tAm\n") - 6, 6);  // "128.00"
    EXPECT_NEAR(std::stod(bpm), 128.0, 0.05);
    std::string tag;
    RunCommand("/usr/bin/python3 -c 'import mutagen.id3,sys; t=mutagen.id3.ID3(sys.argv[1]); "
               "print(t[\"TIT2\"].text[0], t[\"TBPM\"].text[0], t[\"TKEY\"].text[0])' '" +
                   mp3 + "'",
               &tag);
    EXPECT_EQ(tag, "song " + bpm + " Am\n");

    // A second run reads the tempo and the key back from the tag and analyses nothing.
    const CliResult second = Cli("--format json --key-notation wheel '" + mp3 + "'");
    EXPECT_NE(second.out.find("\"bpm\": " + bpm + ", \"key\": \"8A\", \"analysed\": false"),
              std::string::npos)
        << second.out;
}

TEST_F(CliTest, PreferredRangeFoldsTheMeasuredTempoOnly) {
    fs::create_directory(dir.Path() / "set");
    Music("set/fast", 152);
    Music("set/mid", 128);
    const CliResult folded = Cli("--no-write --range 70-140 --key-notation wheel --format tsv '" +
                                 dir.Str("set") + "'");
    ASSERT_EQ(folded.status, 0) << folded.err;
    EXPECT_NE(folded.out.find("\tfast\t\t76.00\t8A\n"), std::string::npos) << folded.out;
    EXPECT_NE(folded.out.find("\tmid\t\t128.00\t8A\n"), std::string::npos) << folded.out;
    // Without a range the measured tempo stands.
    const CliResult plain = Cli("--no-write --format tsv '" + dir.Str("set") + "'");
    EXPECT_NE(plain.out.find("\tfast\t\t152.00\tAm\n"), std::string::npos) << plain.out;

    const CliResult narrow = Cli("--range 70-120 '" + dir.Str("set") + "'");
    EXPECT_EQ(narrow.status, 2);
    EXPECT_NE(narrow.err.find("at least twice its bottom (at least 140)"), std::string::npos)
        << narrow.err;
    EXPECT_EQ(Cli("--range fast '" + dir.Str("set") + "'").status, 2);
    EXPECT_EQ(Cli("--key-notation circle '" + dir.Str("set") + "'").status, 2);
}

TEST_F(CliTest, AKeyInTheTagIsKeptAndNeverMeasuredOver) {
    const std::string mp3 = Mp3("tagged", 128);
    ASSERT_EQ(RunCommand("/usr/bin/python3 -c 'import sys; from mutagen.id3 import ID3, TKEY; "
                         "t=ID3(); t.add(TKEY(encoding=3, text=\"Ebm\")); t.save(sys.argv[1])' '" +
                         mp3 + "'"),
              0);
    const CliResult run = Cli("--format json --key-notation wheel '" + mp3 + "'");
    ASSERT_EQ(run.status, 0) << run.err;
    // Analysed for its tempo, but the key stays the tag's (the music itself is in A minor).
    EXPECT_NE(run.out.find("\"key\": \"2A\", \"analysed\": true, \"written\": true"),
              std::string::npos)
        << run.out;
    std::string tag;
    RunCommand("/usr/bin/python3 -c 'import mutagen.id3,sys; t=mutagen.id3.ID3(sys.argv[1]); "
               "print(t[\"TKEY\"].text, len(t[\"TBPM\"].text[0]))' '" + mp3 + "'",
               &tag);
    EXPECT_EQ(tag, "['Ebm'] 6\n");
}

TEST_F(CliTest, WindowsMediaFilesGetTheirKeyAsInitialKey) {
    const std::string wav = Music("wm", 128);
    const std::string wma = dir.Str("wm.wma");
    ASSERT_EQ(RunCommand("ffmpeg -nostdin -loglevel error -y -i '" + wav +
                         "' -c:a wmav2 -b:a 128k '" + wma + "'"),
              0);
    fs::remove(wav);
    const CliResult first = Cli("--format tsv '" + wma + "'");
    ASSERT_EQ(first.status, 0) << first.err;
    EXPECT_EQ(first.out.substr(first.out.size() - 4), "\tAm\n") << first.out;
    std::string tag;
    RunCommand("/usr/bin/python3 -c 'import mutagen.asf,sys; t=mutagen.asf.ASF(sys.argv[1]); "
               "print(t[\"WM/InitialKey\"][0])' '" + wma + "'",
               &tag);
    EXPECT_EQ(tag, "Am\n");
    const CliResult second = Cli("--format json '" + wma + "'");
    EXPECT_NE(second.out.find("\"key\": \"Am\", \"analysed\": false"), std::string::npos)
        << second.out;
}

TEST_F(CliTest, ADamagedFileFailsAloneAndIsNamed) {
    fs::create_directory(dir.Path() / "mix");
    Music("mix/good", 128);
    WriteFileBytes(dir.Path() / "mix" / "broken.wav", "RIFF\x10\0\0\0WAVEfmt garbage");
    const CliResult r = Cli("--no-write --format tsv '" + dir.Str("mix") + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("analysis failed: " + dir.Str("mix/broken.wav")), std::string::npos);
    EXPECT_NE(r.out.find(dir.Str("mix/good.wav") + "\tgood\t\t128.00\tAm\n"), std::string::npos);
    EXPECT_NE(r.out.find(dir.Str("mix/broken.wav") + "\tbroken\t\t\t\n"), std::string::npos);
}

TEST_F(CliTest, ExportAndGermanLocaleKeepTheDecimalPoint) {
    const std::string wav = Music("track", 128);
    const std::string out = dir.Str("export.txt");
    const CliResult r = Cli("--no-write --format tsv --export '" + out + "' '" + wav + "'",
                      "LC_ALL=de_DE.UTF-8 LANG=de_DE.UTF-8");
    ASSERT_EQ(r.status, 0);
    EXPECT_NE(r.out.find("\t128.00\tAm\n"), std::string::npos);
    // The text export keeps its four columns: no key.
    EXPECT_EQ(ReadFileBytes(out), wav + "\ttrack\t\t128.00\t\r\n");
}

TEST_F(CliTest, ProfilePrintsTheWholeProfileAsJson) {
    const std::string wav = Music("p", 128);
    const CliResult r = Cli("profile '" + wav + "'");
    ASSERT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(Python("import json,sys; p=json.load(sys.stdin); "
                     "print(sorted(p.keys())); print(round(p[\"bpm\"]), p[\"sampleRate\"], p[\"key\"])",
                     r.out),
              "['audioEnd', 'audioStart', 'barLevel', 'barMarks', 'beatPatternA', 'beatPatternB', "
              "'bitRate', 'bpm', 'endSegment', 'file', 'key', 'keyMode', 'keyRoot', 'lengthFrames', "
              "'sampleRate', 'sectionMarks', 'startSegment']\n128 44100 A minor\n");
    EXPECT_EQ(Cli("profile '" + dir.Str("missing.wav") + "'").status, 1);
}

TEST_F(CliTest, InterruptStopsWithoutHalfWrittenFiles) {
    // Short MP3 files are analysed and tagged first; a long WAVE file is being analysed when
    // the interrupt arrives.
    fs::create_directory(dir.Path() / "many");
    std::vector<std::string> originals;
    for (int i = 0; i < 3; ++i) originals.push_back(ReadFileBytes(Mp3("many/a" + std::to_string(i), 120 + i)));
    Music("many/z-long", 128, 600);
    const pid_t pid = fork();
    ASSERT_GE(pid, 0);
    if (pid == 0) {
        // Paths given one by one are analysed in this order.
        const std::string a0 = dir.Str("many/a0.mp3"), a1 = dir.Str("many/a1.mp3"),
                          a2 = dir.Str("many/a2.mp3"), z = dir.Str("many/z-long.wav");
        if (!freopen("/dev/null", "w", stdout)) _exit(126);
        // A store of the test's own: nothing measured by an earlier run is found.
        setenv("XDG_DATA_HOME", dir.Str("data-home").c_str(), 1);
        execl(TW_CLI, TW_CLI, "--quiet", a0.c_str(), a1.c_str(), a2.c_str(), z.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    // Wait until the first MP3 has its tag, then a little longer, then interrupt. The file is
    // watched through its size only: a file held open by another program is never written, so
    // reading it here could keep its tag out.
    const fs::path first = dir.Path() / "many" / "a0.mp3";
    for (int i = 0; i < 1200 && fs::file_size(first) == originals[0].size(); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(50));
    std::this_thread::sleep_for(std::chrono::milliseconds(300));
    kill(pid, SIGINT);
    int status = 0;
    waitpid(pid, &status, 0);
    ASSERT_TRUE(WIFEXITED(status));
    EXPECT_EQ(WEXITSTATUS(status), 130);
    // Each file is untouched or completely tagged: its audio bytes follow a whole tag.
    for (int i = 0; i < 3; ++i) {
        const std::string now = ReadFileBytes(dir.Path() / "many" / ("a" + std::to_string(i) + ".mp3"));
        if (now == originals[i]) continue;
        ASSERT_GE(now.size(), originals[i].size());
        EXPECT_TRUE(now.substr(now.size() - originals[i].size()) == originals[i]) << i;
        EXPECT_EQ(now.substr(0, 3), "ID3");
    }
    EXPECT_TRUE(ReadFileBytes(first) != originals[0]) << "the first file has no tag";
}

TEST_F(CliTest, TagsNotWrittenAreNamedWithTheirReason) {
    fs::create_directory(dir.Path() / "tags");
    const std::string fine = Mp3("tags/fine", 128);
    const std::string locked = Mp3("tags/locked", 128);
    const std::string open = Mp3("tags/open", 128);
    ASSERT_EQ(chmod(locked.c_str(), 0444), 0);
    const std::string lockedBytes = ReadFileBytes(locked), openBytes = ReadFileBytes(open);
    // Another program has one file open (no lock of any kind) for as long as the run lasts.
    int release[2];
    ASSERT_EQ(pipe(release), 0);
    const pid_t holder = fork();
    if (holder == 0) {
        close(release[1]);
        const int fd = ::open(open.c_str(), O_RDONLY);
        char c;
        _exit(fd >= 0 && read(release[0], &c, 1) >= 0 ? 0 : 1);
    }
    close(release[0]);
    const CliResult r = Cli("--format json --quiet '" + dir.Str("tags") + "'");
    close(release[1]);
    waitpid(holder, nullptr, 0);
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("tag not written: the file is read-only: " + locked), std::string::npos)
        << r.err;
    EXPECT_NE(r.err.find("tag not written: the file is in use: " + open), std::string::npos)
        << r.err;
    EXPECT_EQ(r.err.find(fine), std::string::npos) << r.err;
    EXPECT_EQ(Python("import json,sys; rows=json.load(sys.stdin); "
                     "print([(r[\"title\"], r[\"analysed\"], r[\"written\"]) for r in rows])",
                     r.out),
              "[('fine', True, True), ('locked', True, False), ('open', True, False)]\n");
    EXPECT_EQ(ReadFileBytes(locked), lockedBytes);
    EXPECT_EQ(ReadFileBytes(open), openBytes);
}

TEST_F(CliTest, NamesThatAreNotUtf8PrintAsWindows1252) {
    const std::string wav = Music("Caf\xE9", 128, 8);
    const CliResult r = Cli("--no-write --format json --quiet '" + wav + "'");
    EXPECT_EQ(Python("import json,sys; rows=json.load(sys.stdin); "
                     "print(ascii([(r[\"path\"][-8:], r[\"title\"]) for r in rows]))",
                     r.out),
              "[('Caf\\xe9.wav', 'Caf\\xe9')]\n")
        << r.out;
}

TEST_F(CliTest, SilenceGetsNoTempoAndNoTag) {
    const std::string wav = dir.Str("quiet.wav"), mp3 = dir.Str("quiet.mp3");
    ASSERT_EQ(RunCommand("sox -n -r 44100 -c 2 '" + wav + "' trim 0 35"), 0);
    ASSERT_EQ(RunCommand("lame --quiet '" + wav + "' '" + mp3 + "'"), 0);
    const std::string original = ReadFileBytes(mp3);
    const CliResult r = Cli("--format tsv --quiet '" + mp3 + "'");
    EXPECT_EQ(r.status, 1);
    EXPECT_NE(r.err.find("analysis failed: " + mp3), std::string::npos) << r.err;
    EXPECT_EQ(ReadFileBytes(mp3), original);
}

TEST_F(CliTest, AnyNumberOfJobsPrintsTheSameList) {
    fs::create_directories(dir.Path() / "set" / "sub");
    const double tempi[] = {96, 104, 112, 120, 128, 136, 144, 152};
    for (int i = 0; i < 8; ++i)
        Music((i % 2 ? "set/sub/" : "set/") + std::string(1, static_cast<char>('h' - i)), tempi[i], 12);
    WriteFileBytes(dir.Path() / "set" / "broken.wav", "RIFF\x10\0\0\0WAVEfmt garbage");
    const std::string args = "--no-write --no-store --format json '" + dir.Str("set") + "'";
    const CliResult one = Cli("--jobs 1 " + args);
    EXPECT_EQ(one.status, 1);  // the damaged file
    ASSERT_NE(one.out.find("\"analysed\": true"), std::string::npos) << one.out;
    for (const char* jobs : {"--jobs 4", "-j 3 --nice", ""}) {
        const CliResult many = Cli(std::string(jobs) + " " + args);
        EXPECT_EQ(many.status, one.status) << jobs;
        EXPECT_EQ(many.out, one.out) << jobs;
        EXPECT_EQ(many.err, one.err) << jobs;
    }
    for (const char* bad : {"--jobs", "--jobs x", "--jobs -1", "--jobs 1025", "--jobs 2x"})
        EXPECT_EQ(Cli(std::string(bad) + " " + args).status, 2) << bad;
    EXPECT_NE(Cli("--help").out.find("--jobs N"), std::string::npos);
}

namespace {

// Runs of the program with the analysis store: which rows came from where.
class CliStoreTest : public CliTest {
protected:
    std::string Store() const { return dir.Str("data-home/tempowright/analysis.sqlite"); }

    // The "source" of every row of a JSON run over the music folder.
    std::string Sources(const CliResult& run) {
        return Python("import json,sys; print(\" \".join(r[\"source\"] for r in json.load(sys.stdin)))",
                      run.out);
    }
    CliResult Run(const std::string& options = "") {
        return Cli("--no-write --quiet --format json " + options + " '" + dir.Str("music") + "'");
    }
    void TwoTracks() {
        fs::create_directories(dir.Path() / "music");
        Music("music/a", 128, 8);
        Music("music/b", 100, 8);
    }
};

}  // namespace

TEST_F(CliStoreTest, NoStoreNeitherReadsNorWritesIt) {
    TwoTracks();
    const CliResult run = Run("--no-store");
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Sources(run), "analysis analysis\n");
    EXPECT_FALSE(fs::exists(dir.Path() / "data-home"));
    ASSERT_EQ(Run().status, 0);
    EXPECT_EQ(Sources(Run()), "store store\n");
    EXPECT_EQ(Sources(Run("--no-store")), "analysis analysis\n");
}

TEST_F(CliStoreTest, ADamagedStoreIsRebuiltAndTheRunSucceeds) {
    TwoTracks();
    fs::create_directories(fs::path(Store()).parent_path());
    WriteFileBytes(Store(), std::string(8192, '\x5A'));
    const CliResult run = Run();
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Sources(run), "analysis analysis\n");
    EXPECT_NE(run.err.find("moved to"), std::string::npos) << run.err;
    const CliResult again = Run();
    EXPECT_EQ(Sources(again), "store store\n");
    EXPECT_EQ(again.err, "");
}

TEST_F(CliStoreTest, AReadOnlyStoreFolderCostsOneWarningAndNothingElse) {
    TwoTracks();
    const fs::path folder = fs::path(Store()).parent_path();
    fs::create_directories(folder);
    fs::permissions(folder, fs::perms::owner_read | fs::perms::owner_exec);
    const CliResult run = Run();
    fs::permissions(folder, fs::perms::owner_all);
    ASSERT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(Sources(run), "analysis analysis\n");
    EXPECT_EQ(std::count(run.err.begin(), run.err.end(), '\n'), 1) << run.err;
    EXPECT_NE(run.err.find("read-only"), std::string::npos) << run.err;
}

TEST_F(CliStoreTest, TwoProgramsImportingAtOnceShareTheStore) {
    TwoTracks();
    for (int i = 0; i < 4; ++i) Music("music/c" + std::to_string(i), 90 + 10 * i, 8);
    const std::string env = "XDG_DATA_HOME='" + dir.Str("data-home") + "' ";
    const std::string run = env + TW_CLI " --no-write --quiet --format json '" + dir.Str("music") + "'";
    std::string statuses;
    RunCommand("(" + run + " > '" + dir.Str("one.json") + "' 2>&1) & p=$!; (" + run + " > '" +
                   dir.Str("two.json") + "' 2>&1) & q=$!; wait $p; a=$?; wait $q; echo $a $?",
               &statuses);
    EXPECT_EQ(statuses, "0 0\n") << ReadFileBytes(dir.Path() / "one.json")
                                 << ReadFileBytes(dir.Path() / "two.json");
    const std::string one = ReadFileBytes(dir.Path() / "one.json");
    EXPECT_EQ(one.find("tempowright-cli:"), std::string::npos) << one;
    const CliResult third = Run();
    EXPECT_EQ(Sources(third), "store store store store store store\n");
    EXPECT_EQ(third.err, "");
}

TEST_F(CliTest, WaveFilesAreNeverTaggedAndThatIsNoFailure) {
    fs::create_directories(dir.Path() / "w");
    const std::string wav = Music("w/a", 128, 12);
    const std::string before = ReadFileBytes(wav);
    const CliResult run = Cli("--no-store --quiet --format tsv '" + dir.Str("w") + "'");
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_EQ(run.err, "");
    EXPECT_EQ(ReadFileBytes(wav), before);
}
