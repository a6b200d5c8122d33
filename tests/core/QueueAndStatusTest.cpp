#include <gtest/gtest.h>

#include "core/ProgressStatus.h"
#include "core/QmEngine.h"
#include "core/UiUpdateQueue.h"

namespace {
std::vector<UIUPDATE_MSG> Drain(IUiUpdateQueue* q) {
    std::vector<UIUPDATE_MSG> out;
    std::int32_t code = 0, param = 0;
    while (q->PopUpdate(&code, &param) == S_OK) out.push_back({code, param});
    return out;
}
}  // namespace

TEST(UiUpdateQueue, DropsExactDuplicatesWithoutCoalescing) {
    ComPtr<CUiUpdateQueue> q(new CUiUpdateQueue);
    q->PostUpdate(1050, 7, 0);
    q->PostUpdate(1050, 7, 0);
    q->PostUpdate(1051, 7, 0);
    q->PostUpdate(1050, 8, 0);
    const auto msgs = Drain(q.Get());
    ASSERT_EQ(msgs.size(), 3u);
    EXPECT_EQ(msgs[0].code, 1050);
    EXPECT_EQ(msgs[1].code, 1051);
    EXPECT_EQ(msgs[2].param, 8);
    // Once drained, the same message is queued again.
    q->PostUpdate(1050, 7, 0);
    EXPECT_EQ(Drain(q.Get()).size(), 1u);
}

TEST(UiUpdateQueue, CoalescingDropsAnyMessageOfTheSameCode) {
    ComPtr<CUiUpdateQueue> q(new CUiUpdateQueue);
    q->PostUpdate(19, 0, 1);
    q->PostUpdate(19, 5, 1);
    q->PostUpdate(21, 5, 1);
    EXPECT_EQ(Drain(q.Get()).size(), 2u);
}

TEST(UiUpdateQueue, PopOnEmptyLeavesOutputsUntouched) {
    ComPtr<CUiUpdateQueue> q(new CUiUpdateQueue);
    std::int32_t code = 42, param = 43;
    EXPECT_EQ(q->PopUpdate(&code, &param), S_FALSE);
    EXPECT_EQ(code, 42);
    EXPECT_EQ(param, 43);
}

TEST(ProgressStatus, FailedWinsOverDoneAndResetClearsEverything) {
    ComPtr<CProgressStatus> s(new CProgressStatus);
    EXPECT_EQ(s->IsDone(), S_FALSE);
    EXPECT_EQ(s->IsCancelRequested(), S_FALSE);
    s->SetDone();
    EXPECT_EQ(s->IsDone(), S_OK);
    s->SetFailed(E_OUTOFMEMORY);
    EXPECT_EQ(s->IsDone(), E_FAIL);
    HRESULT code = 0;
    s->GetError(&code);
    EXPECT_EQ(code, E_OUTOFMEMORY);

    s->RequestCancel();
    s->SetText(u"Importing: x");
    s->SetProgress(0.5f);
    s->AddSkipped(u"/music/fifo.wav", u"not a regular file");
    EXPECT_EQ(s->IsCancelRequested(), S_OK);
    s->Reset();
    EXPECT_EQ(s->IsCancelRequested(), S_FALSE);
    EXPECT_EQ(s->IsDone(), S_FALSE);
    float p = 1;
    s->GetProgress(&p);
    EXPECT_EQ(p, 0.0f);
    CBstr text;
    s->GetText(text.Out());
    EXPECT_EQ(text.Str(), u"");
    s->GetError(&code);
    EXPECT_EQ(code, S_OK);
    std::uint32_t skipped = 9;
    s->GetSkippedCount(&skipped);
    EXPECT_EQ(skipped, 0u);
}

TEST(ProgressStatus, SkippedItemsKeepTheirOrderAndReasons) {
    ComPtr<CProgressStatus> s(new CProgressStatus);
    s->AddSkipped(u"/a.wav", u"not a regular file");
    s->AddSkipped(u"/b", nullptr);
    std::uint32_t count = 0;
    EXPECT_EQ(s->GetSkippedCount(&count), S_OK);
    EXPECT_EQ(count, 2u);
    CBstr path, reason;
    EXPECT_EQ(s->GetSkipped(0, path.Out(), reason.Out()), S_OK);
    EXPECT_EQ(path.Str(), u"/a.wav");
    EXPECT_EQ(reason.Str(), u"not a regular file");
    CBstr path2, reason2;
    EXPECT_EQ(s->GetSkipped(1, path2.Out(), reason2.Out()), S_OK);
    EXPECT_EQ(path2.Str(), u"/b");
    EXPECT_EQ(reason2.Str(), u"");
    CBstr none, noReason;
    EXPECT_EQ(s->GetSkipped(2, none.Out(), noReason.Out()), S_FALSE);
    EXPECT_EQ(s->GetSkippedCount(nullptr), E_INVALIDARG);
}

TEST(ProgressStatus, NullTextIsEmptyAndTheRecordAnswersNoInterface) {
    ComPtr<CProgressStatus> s(new CProgressStatus);
    s->SetText(u"abc");
    s->SetText(nullptr);
    CBstr text;
    s->GetText(text.Out());
    EXPECT_EQ(text.Length(), 0u);
    void* out = nullptr;
    EXPECT_EQ(s->QueryInterface(IID_IProgressStatus, &out), E_NOINTERFACE);
    EXPECT_EQ(out, nullptr);
}

namespace {
// A stand-in catalog that answers one interface id and counts its shutdowns.
const IID kTestIid = {0x12345678, 1, 2, {3, 4, 5, 6, 7, 8, 9, 10}};
int g_shutdowns = 0;
class TestCatalog : public TUnknown<IUnknown> {
public:
    HRESULT OwnQueryInterface(REFIID iid, void** out) override {
        return iid == kTestIid ? Hand(static_cast<IUnknown*>(this), out) : E_FAIL;
    }
};
}  // namespace

TEST(QmEngine, AnswersForItsCatalogThenItsQueue) {
    ComPtr<CQmEngine> engine(new CQmEngine);
    void* out = nullptr;
    EXPECT_EQ(engine->QueryInterface(kTestIid, &out), E_NOINTERFACE);
    EXPECT_EQ(engine->NewCatalog(), E_FAIL);  // no hooks yet

    g_shutdowns = 0;
    engine->SetCatalogHooks({[]() -> IUnknown* { return new TestCatalog; },
                             [](IUnknown*) { ++g_shutdowns; }});
    ASSERT_EQ(engine->NewCatalog(), S_OK);
    ComPtr<IUnknown> cat;
    ASSERT_EQ(engine->QueryInterface(kTestIid, cat.OutVoid()), S_OK);
    ComPtr<IUiUpdateQueue> q;
    ASSERT_EQ(engine->QueryInterface(IID_IUiUpdateQueue, q.OutVoid()), S_OK);
    EXPECT_EQ(q.Get(), static_cast<IUiUpdateQueue*>(engine->Queue()));

    ASSERT_EQ(engine->NewCatalog(), S_OK);  // the first one is shut down
    EXPECT_EQ(g_shutdowns, 1);
    engine->CloseCatalog();
    EXPECT_EQ(g_shutdowns, 2);
    EXPECT_EQ(engine->QueryInterface(kTestIid, &out), E_NOINTERFACE);

    SetGlobalEngine(engine.Get());
    EXPECT_EQ(GlobalEngine(), engine.Get());
    SetGlobalEngine(nullptr);
}
