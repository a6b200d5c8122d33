#include <gtest/gtest.h>

#include "platform/Bstr.h"
#include "platform/ComInit.h"
#include "platform/Guid.h"

#include <thread>

TEST(Guid, ParsesAndFormatsTheRegistryForm) {
    const auto g = ParseGuid("{ffac0204-C042-40c9-A09A-7B64B535E26E}");
    ASSERT_TRUE(g.has_value());
    EXPECT_EQ(g->Data1, 0xFFAC0204u);
    EXPECT_EQ(g->Data2, 0xC042);
    EXPECT_EQ(g->Data3, 0x40C9);
    EXPECT_EQ(g->Data4[0], 0xA0);
    EXPECT_EQ(g->Data4[7], 0x6E);
    EXPECT_EQ(FormatGuid(*g), "{FFAC0204-C042-40C9-A09A-7B64B535E26E}");
    EXPECT_EQ(ParseGuid("FFAC0204-C042-40C9-A09A-7B64B535E26E"), g);
}

TEST(Guid, RejectsMalformedText) {
    EXPECT_FALSE(ParseGuid(""));
    EXPECT_FALSE(ParseGuid("{FFAC0204-C042-40C9-A09A-7B64B535E26E"));
    EXPECT_FALSE(ParseGuid("{FFAC0204-C042-40C9-A09A+7B64B535E26E}"));
    EXPECT_FALSE(ParseGuid("{FFAC0204-C042-40C9-A09A-7B64B535E26G}"));
}

TEST(Guid, ComparesByValue) {
    const GUID a = *ParseGuid("{00000001-0000-0010-8000-00AA00389B71}");
    GUID b = a;
    EXPECT_TRUE(a == b);
    b.Data4[7] = 0x72;
    EXPECT_FALSE(a == b);
    EXPECT_TRUE(GuidLess(a, b));
    EXPECT_FALSE(GuidLess(b, a));
    EXPECT_FALSE(GuidLess(a, a));
}

TEST(Bstr, KeepsLengthPrefixAndTerminator) {
    const char16_t text[] = {u'a', 0, u'b'};
    BSTR s = SysAllocStringLen(text, 3);  // an embedded zero counts
    ASSERT_NE(s, nullptr);
    EXPECT_EQ(SysStringLen(s), 3u);
    EXPECT_EQ(s[3], 0);
    EXPECT_EQ(BstrToWString(s), WString(text, 3));
    SysFreeString(s);

    EXPECT_EQ(SysAllocString(nullptr), nullptr);
    EXPECT_EQ(SysStringLen(nullptr), 0u);
    SysFreeString(nullptr);

    CBstr held(u"Title");
    EXPECT_EQ(held.Length(), 5u);
    EXPECT_EQ(held.Str(), u"Title");
    *held.Out() = SysAllocString(u"x");
    EXPECT_EQ(held.Str(), u"x");
}

TEST(ComInit, CountsPerThread) {
    EXPECT_EQ(CoInitialize(), S_OK);
    EXPECT_EQ(CoInitialize(), S_FALSE);
    EXPECT_EQ(CoInitializeCount(), 2);
    std::thread([] {
        EXPECT_EQ(CoInitializeCount(), 0);
        CComInitScope scope;
        EXPECT_EQ(CoInitializeCount(), 1);
    }).join();
    CoUninitialize();
    CoUninitialize();
    CoUninitialize();  // one too many stays at 0
    EXPECT_EQ(CoInitializeCount(), 0);
}
