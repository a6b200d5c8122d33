#include <gtest/gtest.h>

#include <clocale>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "audio/ComponentIds.h"
#include "catalog/CatItem.h"
#include "tests/support/TempDir.h"

namespace {
// Holds a new entry and releases it at the end of the test.
struct Entry {
    Entry() : item(new CCatItem(7, W("/music/a.mp3"))) {}
    ~Entry() { item->Release(); }
    CCatItem* operator->() const { return item; }
    CCatItem* item;
};

WString Bpm(CCatItem* item) {
    WString text = W("unchanged");
    EXPECT_TRUE(item->GetFieldText(kFieldBpm, text));
    return text;
}
}  // namespace

TEST(CatItemBpmText, RoundsOnceToTwoDecimals) {
    EXPECT_EQ(FormatBpmText(0.0f), W(""));
    EXPECT_EQ(FormatBpmText(128.0f), W("128.00"));
    EXPECT_EQ(FormatBpmText(127.996f), W("128.00"));
    EXPECT_EQ(FormatBpmText(99.994f), W("99.99"));
    EXPECT_EQ(FormatBpmText(127.99f), W("127.99"));
    EXPECT_EQ(FormatBpmText(40.0f), W("40.00"));
}

TEST(CatItemBpmText, ABpmFromATagShowsAsWritten) {
    for (const char16_t* text : {u"131.99", u"119.18", u"128.00", u"99.99", u"174.95"}) {
        Entry e;
        ASSERT_EQ(e.item->SetFieldText(kFieldBpm, text), S_OK);
        EXPECT_EQ(Bpm(e.item), WString(text));
    }
}

TEST(CatItemBpmText, ReadsTheLeadingNumberAndClampsTagValues) {
    Entry e;
    EXPECT_EQ(Bpm(e.item), W(""));  // no BPM yet
    EXPECT_EQ(e->SetFieldText(kFieldBpm, u" 128.5 bpm"), S_OK);
    EXPECT_FLOAT_EQ(e->GetBpm(), 128.5f);
    EXPECT_EQ(e->SetFieldText(kFieldBpm, u""), S_OK);  // empty text leaves the BPM
    EXPECT_FLOAT_EQ(e->GetBpm(), 128.5f);
    e->SetFieldText(kFieldBpm, u"300");
    EXPECT_FLOAT_EQ(e->GetBpm(), 250.0f);
    e->SetFieldText(kFieldBpm, u"0");
    EXPECT_FLOAT_EQ(e->GetBpm(), 40.0f);
    e->SetFieldText(kFieldBpm, u"fast");
    EXPECT_FLOAT_EQ(e->GetBpm(), 40.0f);
    e->SetFieldText(kFieldBpm, u"1.2e2");
    EXPECT_FLOAT_EQ(e->GetBpm(), 120.0f);
    e->SetFieldText(kFieldBpm, u"nan");
    EXPECT_FLOAT_EQ(e->GetBpm(), 40.0f);
    e->SetFieldText(kFieldBpm, u"128,75");  // a comma ends the number
    EXPECT_FLOAT_EQ(e->GetBpm(), 128.0f);
}

TEST(CatItemFields, AnswersOnlyItsOwnFields) {
    Entry e;
    EXPECT_EQ(e->SetFieldText(kFieldTitle, u"Song"), S_OK);
    EXPECT_EQ(e->SetFieldText(kFieldArtist, u"Band"), S_OK);
    EXPECT_EQ(e->SetFieldText(kFieldAlbum, u"Album"), E_FAIL);
    EXPECT_EQ(e->SetFieldText(kFieldPath, u"/elsewhere"), E_FAIL);
    WString text = W("kept");
    EXPECT_FALSE(e->GetFieldText(kFieldAlbum, text));
    EXPECT_EQ(text, W("kept"));
    ASSERT_TRUE(e->GetFieldText(kFieldPath, text));
    EXPECT_EQ(text, W("/music/a.mp3"));
    ASSERT_TRUE(e->GetFieldText(kFieldTitle, text));
    EXPECT_EQ(text, W("Song"));

    void* out = nullptr;
    const IID other = {0x12345678, 0, 0, {0, 0, 0, 0, 0, 0, 0, 0}};
    EXPECT_EQ(e->QueryInterface(other, &out), E_NOINTERFACE);
    ASSERT_EQ(e->QueryInterface(IID_IUnknown, &out), S_OK);
    static_cast<IUnknown*>(out)->Release();
}

TEST(CatItemFields, ComparesStringsByCodeUnitsAndBpmNumerically) {
    Entry a, b;
    a->SetFieldText(kFieldTitle, u"abc");
    b->SetFieldText(kFieldTitle, u"abd");
    a->SetFieldText(kFieldArtist, u"\u00e9");  // above every ASCII letter
    b->SetFieldText(kFieldArtist, u"z");
    a->SetBpm(99.0f);
    b->SetBpm(100.0f);  // "100.00" < "99.00" as text, but not as a number
    EXPECT_TRUE(a->IsLess(*b.item, kFieldTitle));
    EXPECT_FALSE(b->IsLess(*a.item, kFieldTitle));
    EXPECT_FALSE(a->IsLess(*b.item, kFieldArtist));
    EXPECT_TRUE(b->IsLess(*a.item, kFieldArtist));
    EXPECT_TRUE(a->IsLess(*b.item, kFieldBpm));
    EXPECT_FALSE(a->IsLess(*a.item, kFieldBpm));
    EXPECT_FALSE(a->IsLess(*b.item, kFieldAlbum));
}

// Under a German locale printf writes "128,00" and strtod stops at "."; the entry's texts must
// not follow the process locale, since they go into files.
TEST(CatItemBpmText, IgnoresTheProcessLocale) {
    TempDir dir;
    const std::string command = "localedef -i de_DE -f UTF-8 '" + dir.Str("de_DE.UTF-8") +
                                "' >/dev/null 2>&1";
    ASSERT_EQ(RunCommand(command), 0);
    setenv("LOCPATH", dir.Path().c_str(), 1);
    ASSERT_NE(std::setlocale(LC_ALL, "de_DE.UTF-8"), nullptr);
    char probe[32];
    std::snprintf(probe, sizeof probe, "%.2f", 128.0);
    EXPECT_STREQ(probe, "128,00");  // the locale is in force

    Entry e;
    e->SetFieldText(kFieldBpm, u"128.50");
    const float parsed = e->GetBpm();
    e->SetBpm(128.0f);
    const WString shown = Bpm(e.item);
    std::setlocale(LC_ALL, "C");
    unsetenv("LOCPATH");
    EXPECT_FLOAT_EQ(parsed, 128.5f);
    EXPECT_EQ(shown, W("128.00"));
}

TEST(CatItemText, TitleAndArtistNeverHoldALoneSurrogate) {
    Entry e;
    // A UTF-16 tag text with a broken pair, and a file-name byte that was not UTF-8.
    ASSERT_EQ(e.item->SetFieldText(kFieldTitle, WString(u"a") + char16_t(0xD834) + u"b"), S_OK);
    ASSERT_EQ(e.item->SetFieldText(kFieldArtist, WString(u"Caf") + char16_t(0xDCE9)), S_OK);
    WString title, artist;
    e.item->GetFieldText(kFieldTitle, title);
    e.item->GetFieldText(kFieldArtist, artist);
    EXPECT_EQ(title, u"a\uFFFDb");
    EXPECT_EQ(artist, u"Caf\u00E9");
    // A proper pair stays.
    ASSERT_EQ(e.item->SetFieldText(kFieldTitle, u"\U0001D11E"), S_OK);
    e.item->GetFieldText(kFieldTitle, title);
    EXPECT_EQ(title, u"\U0001D11E");
}
