#include <filesystem>

#include "audio/ComponentIds.h"
#include "catalog/FileScan.h"
#include "core/QmEngine.h"
#include "profile/BuildEntry.h"
#include "profile/TrackProfile.h"
#include "tests/catalog/CatalogFixture.h"

namespace fs = std::filesystem;

TEST(CatalogPaths, ExtensionIsTheLowerCasedTextAfterTheLastDotOfTheName) {
    EXPECT_EQ(PathExtension(u"/music/a.MP3"), u"mp3");
    EXPECT_EQ(PathExtension(u"/music/a.b.Wav"), u"wav");
    EXPECT_EQ(PathExtension(u"/my.music/track"), u"");  // the dot is in a folder name
    EXPECT_EQ(PathExtension(u"/music/a."), u"");
    EXPECT_EQ(PathExtension(u"track"), u"");
    EXPECT_EQ(JoinPath(u"/a", u"b"), u"/a/b");
    EXPECT_EQ(JoinPath(u"/a/", u"b"), u"/a/b");
    EXPECT_EQ(JoinPath(u"", u"b"), u"b");
}

TEST(CatalogPaths, ExtensionListTokensEndInSemicolons) {
    EXPECT_TRUE(ExtensionInList(u"wav;mp3;", u"MP3"));
    EXPECT_TRUE(ExtensionInList(u"WAV;", u"wav"));
    EXPECT_FALSE(ExtensionInList(u"wav;mp3;", u"wa"));
    EXPECT_FALSE(ExtensionInList(u"wav;mp3", u"mp3"));  // a trailing part without ";" is not a token
    EXPECT_FALSE(ExtensionInList(u"wav;", u""));
}

TEST_F(CatalogFixture, WithoutComponentsOnlyWaveFilesAreImportable) {
    EXPECT_EQ(Cat().SupportedExtensions(), u"wav;");
    EXPECT_TRUE(Cat().IsSupportedExtension(u"WAV"));
    EXPECT_FALSE(Cat().IsSupportedExtension(u"mp3"));
}

TEST_F(CatalogFixture, AddFileSkipsDuplicatesAndUnsupportedPathsAndKeepsPathOrder) {
    Cat().AddFile(dir.W("b.wav"));
    Cat().AddFile(dir.W("a.WAV"));
    Cat().AddFile(dir.W("a.wav"));  // differs only in case: a second entry
    Cat().AddFile(dir.W("b.wav"));  // duplicate
    Cat().AddFile(dir.W("c.mp3"));  // no decoder
    Cat().AddFile(dir.W("my.music/track"));
    EXPECT_EQ(Paths(), (std::vector<WString>{dir.W("a.WAV"), dir.W("a.wav"), dir.W("b.wav")}));
}

TEST_F(CatalogFixture, DuplicateImportDoesNotRefreshFields) {
    Cat().AddFile(dir.W("a.wav"));
    CatItemVector items;
    catalog->GetItems(&items);
    ASSERT_EQ(items.size(), 1u);
    items[0]->SetFieldText(kFieldTitle, u"Edited");
    Cat().AddFile(dir.W("a.wav"));
    WString title;
    items[0]->GetFieldText(kFieldTitle, title);
    EXPECT_EQ(title, u"Edited");
}

// The build manager reaches entries only through the engine's query for the entry source; what
// it gets is the catalog's own entry, and an unknown id gives nothing.
TEST_F(CatalogFixture, BuildEntriesComeFromTheCatalogByIdThroughTheEngine) {
    Cat().AddFile(dir.W("a.wav"));
    ComPtr<IBuildEntrySource> entries;
    ASSERT_EQ(GlobalEngine()->QueryInterface(IID_IBuildEntrySource, entries.OutVoid()), S_OK);
    ComPtr<IBuildEntry> entry;
    ASSERT_EQ(entries->GetBuildEntry(1, entry.Out()), S_OK);
    EXPECT_EQ(entry->GetId(), 1u);
    EXPECT_EQ(entry->GetPath(), dir.W("a.wav"));
    CPfTrackProfile profile;
    profile.bpm = 127.5f;
    entry->StoreProfile(profile);
    CatItemVector items;
    catalog->GetItems(&items);
    ASSERT_EQ(items.size(), 1u);
    EXPECT_EQ(items[0]->GetBpm(), 127.5f);
    EXPECT_NE(entry->WriteBack(), S_OK);  // no such file, and a WAVE file: nothing is written

    IBuildEntry* missing = nullptr;
    EXPECT_EQ(entries->GetBuildEntry(99, &missing), E_FAIL);
    EXPECT_EQ(missing, nullptr);
}

TEST_F(CatalogFixture, RemovedIdsAreGoneAndNewIdsKeepCounting) {
    Cat().AddFile(dir.W("a.wav"));
    Cat().AddFile(dir.W("b.wav"));
    CCatItem* item = nullptr;
    ASSERT_EQ(catalog->GetItem(1, &item), S_OK);
    EXPECT_EQ(item->GetPath(), dir.W("a.wav"));
    EXPECT_EQ(catalog->RemoveItem(1), S_OK);
    EXPECT_EQ(item->GetPath(), dir.W("a.wav"));  // a holder keeps a valid entry
    item->Release();
    EXPECT_EQ(catalog->RemoveItem(1), E_FAIL);
    EXPECT_EQ(catalog->GetItem(1, &item), E_FAIL);
    EXPECT_EQ(catalog->Reanalyze(1), S_FALSE);
    Cat().AddFile(dir.W("c.wav"));
    ASSERT_EQ(catalog->GetItem(3, &item), S_OK);
    EXPECT_EQ(item->GetPath(), dir.W("c.wav"));
    item->Release();
    EXPECT_EQ(Paths(), (std::vector<WString>{dir.W("b.wav"), dir.W("c.wav")}));
}

TEST_F(CatalogFixture, ExportWritesTabTerminatedFieldsAndCrLfLines) {
    const std::string out = dir.Str("export.txt");
    WriteFileBytes(out, "old content that must go");
    CBstr outPath(Utf8ToUtf16(out));
    ASSERT_EQ(catalog->ExportText(outPath.Get()), S_OK);
    EXPECT_EQ(ReadFileBytes(out), "");  // empty catalog: zero bytes

    Cat().AddFile(dir.W("a.wav"));  // missing file: no title from tags
    Cat().AddFile(dir.W("b.wav"));
    CCatItem* b = nullptr;
    ASSERT_EQ(catalog->GetItem(2, &b), S_OK);
    b->SetFieldText(kFieldTitle, u"Caf\u00E9");
    b->SetFieldText(kFieldArtist, u"DJ");
    b->SetBpm(127.996f);
    b->Release();
    // A path of 1024 bytes or more writes nothing at all.
    Cat().AddFile(dir.W(std::string(1030, 'x') + ".wav"));

    ASSERT_EQ(catalog->ExportText(outPath.Get()), S_OK);
    WString aTitle;
    CCatItem* a = nullptr;
    ASSERT_EQ(catalog->GetItem(1, &a), S_OK);
    a->GetFieldText(kFieldTitle, aTitle);
    a->Release();
    const std::string expected = dir.Str("a.wav") + "\t" + Utf16ToUtf8(aTitle) + "\t\t\t\r\n" +
                                 dir.Str("b.wav") + "\tCaf\xC3\xA9\tDJ\t128.00\t\r\n";
    EXPECT_EQ(ReadFileBytes(out), expected);
}

TEST_F(CatalogFixture, ExportKeepsOneLinePerEntryWhateverTheTagsHold) {
    // Tabs, line breaks and an escape sequence in tags and in a file name.
    Cat().AddFile(dir.W("line\nbreak.wav"));
    CCatItem* item = nullptr;
    ASSERT_EQ(catalog->GetItem(1, &item), S_OK);
    item->SetFieldText(kFieldTitle, u"Tab\there\r\nnext\x1b[31mred\x7f\u0085end");
    item->SetFieldText(kFieldArtist, u"A\tB");
    item->SetBpm(120.0f);
    item->Release();
    const std::string out = dir.Str("export.txt");
    CBstr outPath(Utf8ToUtf16(out));
    ASSERT_EQ(catalog->ExportText(outPath.Get()), S_OK);
    EXPECT_EQ(ReadFileBytes(out),
              dir.Str("line break.wav") + "\tTab here  next [31mred  end\tA B\t120.00\t\r\n");
}

TEST_F(CatalogFixture, ExportToAnUnwritablePlaceGivesNoFileAndNoFailure) {
    CBstr outPath(dir.W("missing-folder/export.txt"));
    EXPECT_EQ(catalog->ExportText(outPath.Get()), S_OK);
    EXPECT_FALSE(fs::exists(dir.Path() / "missing-folder"));
}
