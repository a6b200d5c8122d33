// tempowright-cli on hostile input: special files, lying sizes, links that fan out, and trees
// full of empty files, bad names and overlong paths. Every run must end (a hang shows as the
// status 124 of `timeout`) and name what it left out.

#include <gtest/gtest.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "tests/cli/CliFixture.h"

namespace fs = std::filesystem;
using namespace clitest;

namespace {
constexpr char kTimeout[] = "timeout 120";
constexpr int kTimedOut = 124;

std::string Quote(const std::string& path) { return "'" + path + "'"; }

// The data rows of TSV output (the header line dropped).
std::vector<std::string> TsvRows(const std::string& out) {
    std::vector<std::string> rows;
    std::istringstream in(out);
    std::string line;
    for (std::getline(in, line); std::getline(in, line);) rows.push_back(line);
    return rows;
}

// Eighteen nested folders of 240-character names and an empty deep.wav in the last: paths no
// path call accepts, so they are made and removed relative to open folders.
class CDeepChain {
public:
    explicit CDeepChain(const fs::path& base) {
        int fd = open(base.c_str(), O_DIRECTORY | O_RDONLY);
        for (int i = 0; i < kLevels && fd >= 0; ++i) {
            fds_.push_back(fd);
            fd = mkdirat(fd, kName.c_str(), 0755) == 0 ? openat(fd, kName.c_str(), O_DIRECTORY | O_RDONLY) : -1;
        }
        if (fd < 0) return;
        fds_.push_back(fd);
        const int file = openat(fd, "deep.wav", O_CREAT | O_WRONLY, 0644);
        made_ = file >= 0;
        if (file >= 0) close(file);
    }
    ~CDeepChain() {
        if (fds_.empty()) return;
        unlinkat(fds_.back(), "deep.wav", 0);
        for (std::size_t i = fds_.size() - 1; i > 0; --i) {
            close(fds_[i]);
            unlinkat(fds_[i - 1], kName.c_str(), AT_REMOVEDIR);
        }
        close(fds_[0]);
    }
    bool Made() const { return made_; }

private:
    static constexpr int kLevels = 18;
    inline static const std::string kName = std::string(240, 'd');
    std::vector<int> fds_;
    bool made_ = false;
};

bool Has(const std::string& text, const std::string& part) {
    return text.find(part) != std::string::npos;
}
}  // namespace

TEST_F(CliTest, FifosAreRefusedAtOnceOnTheCommandLineAndInFolders) {
    fs::create_directories(dir.Path() / "folder");
    for (const char* name : {"x.wav", "x.wma", "folder/y.mp3"})
        ASSERT_EQ(mkfifo(dir.Str(name).c_str(), 0644), 0);
    const CliResult r = Cli("--no-write --format tsv " + Quote(dir.Str("x.wav")) + " " +
                                Quote(dir.Str("x.wma")) + " " + Quote(dir.Str("folder")),
                            kTimeout);
    ASSERT_NE(r.status, kTimedOut);
    EXPECT_EQ(r.status, 0);
    EXPECT_TRUE(TsvRows(r.out).empty());
    for (const char* name : {"x.wav", "x.wma", "folder/y.mp3"})
        EXPECT_TRUE(Has(r.err, "skipped " + dir.Str(name) + ": not a regular file")) << r.err;
    EXPECT_TRUE(Has(r.err, "3 items skipped")) << r.err;
}

TEST_F(CliTest, AWaveFileThatClaimsFourGigabytesOfDataFailsAtOnce) {
    // 108 bytes: a plain 16-bit stereo header whose data chunk claims 0xFFFFFFF0 bytes, then
    // 64 bytes of data.
    std::string wav("RIFF\x64\0\0\0WAVEfmt \x10\0\0\0\x01\0\x02\0\x44\xAC\0\0\x10\xB1\x02\0\x04\0\x10\0"
                    "data\xF0\xFF\xFF\xFF", 44);
    wav += std::string(64, '\0');
    WriteFileBytes(dir.Path() / "liar.wav", wav);
    const CliResult r = Cli("--no-write --format tsv " + Quote(dir.Str("liar.wav")), kTimeout);
    ASSERT_NE(r.status, kTimedOut);
    EXPECT_EQ(r.status, 1);
    EXPECT_TRUE(Has(r.err, "analysis failed: " + dir.Str("liar.wav"))) << r.err;
}

TEST_F(CliTest, LinksThatFanOutImportTheFileOnceUnderTheFirstPath) {
    // Ten levels, each with two links to the next: 1024 paths reach the one file.
    constexpr int kLevels = 10;
    for (int i = 0; i <= kLevels; ++i) fs::create_directories(dir.Path() / ("d" + std::to_string(i)));
    for (int i = 0; i < kLevels; ++i)
        for (const char* link : {"a", "b"})
            fs::create_directory_symlink("../d" + std::to_string(i + 1),
                                         dir.Path() / ("d" + std::to_string(i)) / link);
    fs::rename(Music("song", 120.0, 12), dir.Path() / ("d" + std::to_string(kLevels)) / "song.wav");
    // The first path in the order the file system lists each folder.
    fs::path first = dir.Path() / "d0";
    for (int i = 0; i < kLevels; ++i)
        first /= fs::directory_iterator(dir.Path() / ("d" + std::to_string(i)))->path().filename();
    first /= "song.wav";

    const CliResult r = Cli("--no-write --format tsv " + Quote(dir.Str("d0")), kTimeout);
    ASSERT_NE(r.status, kTimedOut);
    EXPECT_EQ(r.status, 0) << r.err;
    const std::vector<std::string> rows = TsvRows(r.out);
    ASSERT_EQ(rows.size(), 1u) << r.out;
    EXPECT_EQ(rows[0].substr(0, rows[0].find('\t')), first.string());
    // Given again through a link, the same file makes no second entry.
    const CliResult twice = Cli("--no-write --format tsv " + Quote(dir.Str("d0")) + " " +
                                    Quote(first.string()) + " " + Quote(dir.Str("d1")),
                                kTimeout);
    EXPECT_EQ(TsvRows(twice.out).size(), 1u) << twice.out;
}

TEST_F(CliTest, AHostileTreeIsImportedAndEverySkippedItemIsNamed) {
    const fs::path tree = dir.Path() / "tree";
    fs::create_directories(tree / "empty");
    constexpr int kEmptyFiles = 10000;
    for (int i = 0; i < kEmptyFiles; ++i) WriteFileBytes(tree / "empty" / (std::to_string(i) + ".wav"), "");
    // A folder whose name is not UTF-8 holds the one real track.
    const fs::path badName = tree / std::string("bad\xFF\xFE name");
    fs::create_directories(badName);
    fs::rename(Music("song", 120.0, 12), badName / "song.wav");
    // A folder chain longer than the system's path limit, with a track at its end.
    CDeepChain deep(tree);
    ASSERT_TRUE(deep.Made());
    // A link loop and a dangling link that look like tracks.
    fs::create_symlink("loop.wav", tree / "loop.wav");
    fs::create_symlink("gone", tree / "gone.wav");

    const CliResult r = Cli("--no-write --quiet --format tsv " + Quote(tree.string()), kTimeout);
    ASSERT_NE(r.status, kTimedOut);
    EXPECT_EQ(r.status, 1);  // the empty files fail their analysis
    const std::vector<std::string> rows = TsvRows(r.out);
    EXPECT_EQ(rows.size(), kEmptyFiles + 1u);
    int measured = 0;
    for (const std::string& row : rows)
        if (Has(row, "song.wav")) {
            EXPECT_TRUE(Has(row, badName.string())) << row;
            EXPECT_NE(row.back(), '\t') << row;  // has a BPM
            ++measured;
        }
    EXPECT_EQ(measured, 1);
    EXPECT_TRUE(Has(r.err, "skipped " + (tree / "loop.wav").string() + ": cannot be read")) << r.err;
    EXPECT_TRUE(Has(r.err, "skipped " + (tree / "gone.wav").string() + ": cannot be read")) << r.err;
    EXPECT_TRUE(Has(r.err, ": path longer than 4095 bytes")) << r.err;
    EXPECT_TRUE(Has(r.err, "3 items skipped")) << r.err;
}
