#include <sys/stat.h>

#include <algorithm>
#include <filesystem>

#include "catalog/FileScan.h"
#include "tests/catalog/CatalogFixture.h"

namespace fs = std::filesystem;

namespace {
void Touch(const fs::path& p) {
    fs::create_directories(p.parent_path());
    WriteFileBytes(p, "");
}

std::vector<WString> Sorted(std::vector<WString> v) {
    std::sort(v.begin(), v.end());
    return v;
}
}  // namespace

TEST(FileScan, WalksDepthFirstFollowsLinksButNeverLoops) {
    TempDir dir;
    Touch(dir.Path() / "a.wav");
    Touch(dir.Path() / "b.MP3");
    Touch(dir.Path() / "c.ogg");
    Touch(dir.Path() / "x" / "d.wma");
    Touch(dir.Path() / "x" / "y" / "e.wav");
    fs::create_directory_symlink(dir.Path(), dir.Path() / "x" / "y" / "up");  // a loop
    fs::create_directory(dir.Path() / "Live.mp3");  // a folder, not a file

    std::vector<WString> found;
    ScanTree(Utf8ToUtf16(dir.Path().string()),
             {nullptr, [](const WString& ext) { return ExtensionInList(u"wav;mp3;wma;", ext); },
              [&](const WString& p) { found.push_back(p); }, nullptr});
    EXPECT_EQ(Sorted(found), Sorted({dir.W("a.wav"), dir.W("b.MP3"), dir.W("x/d.wma"),
                                     dir.W("x/y/e.wav")}));
    // Depth first: e.wav comes right after d.wma or before it, never separated by root files
    // found after x was entered.
    const auto d = std::find(found.begin(), found.end(), dir.W("x/d.wma"));
    const auto e = std::find(found.begin(), found.end(), dir.W("x/y/e.wav"));
    EXPECT_EQ(std::abs(static_cast<long>(d - e)), 1);
}

TEST(FileScan, LinkedFolderOutsideThePathIsScannedOnce) {
    TempDir dir;
    Touch(dir.Path() / "shared" / "s.wav");
    fs::create_directory(dir.Path() / "top");
    fs::create_directory_symlink(dir.Path() / "shared", dir.Path() / "top" / "link");
    std::vector<WString> found;
    ScanTree(dir.W("top"), {nullptr, [](const WString&) { return true; },
                            [&](const WString& p) { found.push_back(p); }, nullptr});
    EXPECT_EQ(found, std::vector<WString>{dir.W("top/link/s.wav")});
}

TEST(FileScan, CancelStopsTheWalkAndUnreadableFoldersAreSkipped) {
    TempDir dir;
    for (int i = 0; i < 10; ++i) Touch(dir.Path() / ("f" + std::to_string(i) + ".wav"));
    Touch(dir.Path() / "locked" / "hidden.wav");
    chmod((dir.Path() / "locked").c_str(), 0);

    int found = 0;
    ScanTree(Utf8ToUtf16(dir.Path().string()),
             {[&] { return found >= 3; }, [](const WString&) { return true; },
              [&](const WString&) { ++found; }, nullptr});
    EXPECT_EQ(found, 3);

    std::vector<WString> all;
    ScanTree(Utf8ToUtf16(dir.Path().string()),
             {nullptr, [](const WString&) { return true; }, [&](const WString& p) { all.push_back(p); }, nullptr});
    // The readable files are all found whether or not this user may read the locked folder.
    EXPECT_GE(all.size(), 10u);
    ScanTree(dir.W("missing"), {nullptr, nullptr, nullptr, nullptr});  // nothing to walk, no crash
}

TEST_F(CatalogFixture, DirectoryImportAddsEverySupportedFileAndFinishes) {
    Touch(dir.Path() / "music" / "a.wav");
    Touch(dir.Path() / "music" / "sub" / "b.wav");
    Touch(dir.Path() / "music" / "c.txt");
    ComPtr<IProgressStatus> status;
    CBstr path(dir.W("music"));
    ASSERT_EQ(catalog->ImportDirectory(path.Get(), status.Out()), S_OK);
    WaitDone(status.Get());
    EXPECT_EQ(Paths(), (std::vector<WString>{dir.W("music/a.wav"), dir.W("music/sub/b.wav")}));
    CBstr text;
    status->GetText(text.Out());
    EXPECT_EQ(text.Str().rfind(u"Importing: ", 0), 0u);
    float progress = 0;
    status->GetProgress(&progress);
    EXPECT_FLOAT_EQ(progress, 0.5f);  // the last value set is (N-1)/N
}

TEST_F(CatalogFixture, EmptyDirectoryFinishesAtOnceWithNothingAdded) {
    fs::create_directory(dir.Path() / "empty");
    ComPtr<IProgressStatus> status;
    CBstr path(dir.W("empty"));
    ASSERT_EQ(catalog->ImportDirectory(path.Get(), status.Out()), S_OK);
    WaitDone(status.Get());
    EXPECT_TRUE(Paths().empty());
    float progress = 1;
    status->GetProgress(&progress);
    EXPECT_EQ(progress, 0.0f);
}

TEST_F(CatalogFixture, DropOfAFileAndAFolderImportsBoth) {
    Touch(dir.Path() / "song.wav");
    Touch(dir.Path() / "folder" / "x.wav");
    Touch(dir.Path() / "folder" / "deep" / "y.wav");
    CBstr song(dir.W("song.wav")), folder(dir.W("folder"));
    catalog->AddImportPath(song.Get());
    catalog->AddImportPath(folder.Get());
    ComPtr<IProgressStatus> status;
    ASSERT_EQ(catalog->StartImport(1, status.Out()), S_OK);
    WaitDone(status.Get());
    EXPECT_EQ(Paths(), (std::vector<WString>{dir.W("folder/deep/y.wav"), dir.W("folder/x.wav"),
                                             dir.W("song.wav")}));

    // The pending list is emptied by the run: a second start imports nothing new.
    ASSERT_EQ(catalog->StartImport(1, status.Out()), S_OK);
    WaitDone(status.Get());
    EXPECT_EQ(Paths().size(), 3u);
}

TEST_F(CatalogFixture, AFileThatVanishedBeforeTheImportIsStillAdded) {
    CBstr gone(dir.W("gone.wav"));
    catalog->AddImportPath(gone.Get());
    ComPtr<IProgressStatus> status;
    ASSERT_EQ(catalog->StartImport(0, status.Out()), S_OK);
    WaitDone(status.Get());
    EXPECT_EQ(Paths(), std::vector<WString>{dir.W("gone.wav")});
}

TEST(FileScan, EachFileIsFoundOnceAndWhatCannotBeImportedIsReported) {
    TempDir dir;
    Touch(dir.Path() / "a.wav");
    for (const char* link : {"l1.wav", "l2.wav", "l3.wav"}) fs::create_symlink("a.wav", dir.Path() / link);
    fs::create_symlink("loop.wav", dir.Path() / "loop.wav");
    ASSERT_EQ(mkfifo((dir.Path() / "pipe.wav").c_str(), 0644), 0);
    ASSERT_EQ(mkfifo((dir.Path() / "pipe.txt").c_str(), 0644), 0);  // not importable: not reported

    std::vector<WString> found;
    std::vector<std::pair<WString, WString>> skipped;
    ScanTree(dir.W(""), {nullptr, [](const WString& ext) { return ext == u"wav"; },
                         [&](const WString& p) { found.push_back(p); },
                         [&](const WString& p, const WString& why) { skipped.emplace_back(p, why); }});
    ASSERT_EQ(found.size(), 1u);  // a.wav under whichever of its four names comes first
    std::sort(skipped.begin(), skipped.end());
    ASSERT_EQ(skipped.size(), 2u);
    EXPECT_EQ(skipped[0].first, dir.W("loop.wav"));
    EXPECT_EQ(skipped[0].second.rfind(u"cannot be read: ", 0), 0u);
    EXPECT_EQ(skipped[1], std::make_pair(dir.W("pipe.wav"), WString(u"not a regular file")));

    // A pending path is imported once whichever link names it; special files are refused.
    ScanVisits imported;
    WString reason;
    EXPECT_EQ(CheckPendingPath(dir.W("l2.wav"), imported, reason), PendingVerdict::Import);
    EXPECT_EQ(CheckPendingPath(dir.W("a.wav"), imported, reason), PendingVerdict::Duplicate);
    EXPECT_EQ(CheckPendingPath(dir.W("missing.wav"), imported, reason), PendingVerdict::Import);
    EXPECT_EQ(CheckPendingPath(dir.W("pipe.wav"), imported, reason), PendingVerdict::Skip);
    EXPECT_EQ(reason, u"not a regular file");
    EXPECT_EQ(CheckPendingPath(WString(5000, u'x'), imported, reason), PendingVerdict::Skip);
}
