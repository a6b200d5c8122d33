#include <gtest/gtest.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <vector>

#include "config/InstallLayout.h"
#include "platform/Directory.h"
#include "platform/DynamicLibrary.h"
#include "platform/File.h"
#include "platform/PageAlloc.h"
#include "platform/SystemError.h"
#include "tests/support/TempDir.h"

namespace fs = std::filesystem;

TEST(PageAlloc, GivesZeroFilledWritablePages) {
    CPageBlock block(100000);
    ASSERT_TRUE(block);
    auto* bytes = static_cast<unsigned char*>(block.Get());
    EXPECT_TRUE(std::all_of(bytes, bytes + 100000, [](unsigned char b) { return b == 0; }));
    bytes[99999] = 7;
    EXPECT_EQ(PageAlloc(0), nullptr);
}

TEST(File, ReadWriteSeekAndLength) {
    TempDir dir;
    CFile f;
    f.Open(dir.W("a.bin"), FileMode::CreateNew);
    f.Write("hello world", 11);
    EXPECT_EQ(f.Length(), 11u);
    f.Seek(6);
    char buf[16] = {};
    EXPECT_EQ(f.Read(buf, sizeof buf), 5u);
    EXPECT_STREQ(buf, "world");
    f.SetLength(5);
    EXPECT_EQ(f.Length(), 5u);
    f.Flush();
}

TEST(File, FailuresRaiseTheFileException) {
    TempDir dir;
    CFile f;
    EXPECT_THROW(f.Open(dir.W("missing"), FileMode::Read), CFileException);
    EXPECT_FALSE(f.TryOpen(dir.W("missing"), FileMode::ReadWrite));
    WriteFileBytes(dir.Path() / "x", "1");
    try {
        f.Open(dir.W("x"), FileMode::CreateNew);  // never overwrites an existing name
        FAIL() << "CreateNew opened an existing file";
    } catch (const CFileException& e) {
        EXPECT_EQ(e.Error(), EEXIST);
    }
    EXPECT_THROW(DeleteFileAt(dir.W("missing")), CFileException);
}

TEST(File, RenameReplacesTheTargetInOneStep) {
    TempDir dir;
    WriteFileBytes(dir.Path() / "track.mp3", "old");
    WriteFileBytes(dir.Path() / "track.MP~", "new");
    RenameFileOver(dir.W("track.MP~"), dir.W("track.mp3"));
    EXPECT_EQ(ReadFileBytes(dir.Path() / "track.mp3"), "new");
    EXPECT_FALSE(FileExists(dir.W("track.MP~")));
}

TEST(File, ExclusiveLockIsRefusedWhileAnotherHolderHasIt) {
    TempDir dir;
    WriteFileBytes(dir.Path() / "t", "x");
    CFile a, b;
    a.Open(dir.W("t"), FileMode::ReadWrite);
    b.Open(dir.W("t"), FileMode::ReadWrite);
    EXPECT_TRUE(a.TryLockExclusive());
    EXPECT_FALSE(b.TryLockExclusive());
    a.Close();
    EXPECT_TRUE(b.TryLockExclusive());
}

TEST(File, NamesThatAreNotUtf8CanBeFoundAndOpenedAgain) {
    TempDir dir;
    const std::string raw = "caf\xE9.wav";  // Latin-1 byte on disk
    WriteFileBytes(dir.Path() / raw, "RIFF");
    CDirectoryEnum e;
    ASSERT_TRUE(e.Open(Utf8ToUtf16(dir.Path().string())));
    DirEntryInfo info;
    ASSERT_TRUE(e.Next(info));
    EXPECT_EQ(info.name[3], 0xDCE9);
    const WString full = Utf8ToUtf16(dir.Path().string()) + u"/" + info.name;
    std::string bytes;
    ASSERT_TRUE(ReadWholeFile(full, bytes));
    EXPECT_EQ(bytes, "RIFF");
    EXPECT_FALSE(e.Next(info));
}

TEST(Directory, ReportsKindsAndIdentityOfLinks) {
    TempDir dir;
    fs::create_directory(dir.Path() / "sub");
    WriteFileBytes(dir.Path() / "sub" / "f", "x");
    fs::create_directory_symlink(dir.Path(), dir.Path() / "sub" / "loop");
    fs::create_symlink(dir.Path() / "nowhere", dir.Path() / "sub" / "dangling");

    CDirectoryEnum e;
    ASSERT_TRUE(e.Open(dir.W("sub")));
    std::vector<DirEntryInfo> entries;
    DirEntryInfo info;
    while (e.Next(info)) entries.push_back(info);
    ASSERT_EQ(entries.size(), 3u);
    std::uint64_t dev = 0, ino = 0;
    ASSERT_TRUE(FileIdentity(Utf8ToUtf16(dir.Path().string()), dev, ino));
    for (const auto& en : entries) {
        if (en.name == u"loop") {
            EXPECT_TRUE(en.isLink);
            EXPECT_TRUE(en.isDirectory);
            EXPECT_EQ(en.device, dev);
            EXPECT_EQ(en.inode, ino);
        } else if (en.name == u"dangling") {
            EXPECT_FALSE(en.isDirectory);
            EXPECT_FALSE(en.isRegularFile);
        } else {
            EXPECT_EQ(en.name, u"f");
            EXPECT_TRUE(en.isRegularFile);
            EXPECT_FALSE(en.isLink);
        }
    }
    EXPECT_FALSE(CDirectoryEnum().Open(dir.W("missing")));
}

TEST(DynamicLibrary, MissingFilesAndSymbolsGiveNull) {
    EXPECT_EQ(LoadModule("/nonexistent/Vellmp3.so"), nullptr);
    EXPECT_EQ(ModuleSymbol(nullptr, "DllGetClassObject"), nullptr);
    FreeModule(nullptr);
    EXPECT_FALSE(ProgramDirectory().empty());
    setenv("TEMPOWRIGHT_COMPONENT_DIR", "/opt/x", 1);
    EXPECT_EQ(ComponentDirectory(), "/opt/x");
    unsetenv("TEMPOWRIGHT_COMPONENT_DIR");
    EXPECT_EQ(ComponentDirectory(), ProgramDirectory());
}

TEST(DynamicLibrary, InstalledProgramFindsItsComponentFolderFromItsOwnPlace) {
    TempDir prefix;
    const fs::path bin = prefix.Path() / "bin";
    fs::create_directories(bin);
    // The build tree: nothing installed beside the program, so its own folder.
    EXPECT_EQ(InstalledComponentDirectory(bin.string()), bin.string());
    // An installed tree: the private library folder under the same prefix.
    const fs::path components = (bin / kComponentsFromProgram).lexically_normal();
    fs::create_directories(components);
    EXPECT_EQ(InstalledComponentDirectory(bin.string()), components.string());
}
