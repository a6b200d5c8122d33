// The track view's store lookup on its worker thread: answers arrive on the owner's thread,
// carry their request's ticket, and the lookup can be destroyed while it runs.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QThread>
#include <memory>
#include <vector>

#include "store/AnalysisStore.h"
#include "tests/support/PictureProfiles.h"
#include "tests/support/TempDir.h"
#include "tests/support/WavWriter.h"
#include "tests/support/Signals.h"
#include "ui/ProfileLookup.h"

namespace {

struct Answer {
    std::uint64_t ticket;
    std::optional<CPfTrackProfile> profile;
    bool onOwnerThread;
};

class ProfileLookupTest : public ::testing::Test {
protected:
    void SetUp() override {
        store = std::make_shared<CAnalysisStore>(dir.Str("analysis.sqlite"), [](const std::string&) {});
        ASSERT_TRUE(store->IsOn());
        const WavLayout layout;
        WriteWav(dir.Path() / "known.wav", layout, Clicks(120.0, layout.rate, layout.rate * 2));
        ASSERT_TRUE(store->Record(dir.W("known.wav"), MadeUpProfile(120.0, 30.0), "120.00"));
    }

    CProfileLookup::Answer Collect() {
        return [this](std::uint64_t ticket, std::optional<CPfTrackProfile> profile) {
            answers.push_back({ticket, std::move(profile), QThread::currentThread() == qApp->thread()});
        };
    }

    bool WaitForTicket(std::uint64_t ticket) {
        QElapsedTimer clock;
        clock.start();
        while (answers.empty() || answers.back().ticket != ticket) {
            if (clock.elapsed() > 20000) return false;
            QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
        }
        return true;
    }

    TempDir dir;
    std::shared_ptr<CAnalysisStore> store;
    std::vector<Answer> answers;
};

}  // namespace

TEST_F(ProfileLookupTest, AnswersOnTheOwnersThreadWithTheTicketAskedAndSkipsStaleQuestions) {
    CProfileLookup lookup(Collect());
    lookup.Request(1, store, dir.W("known.wav"));
    ASSERT_TRUE(WaitForTicket(1));
    ASSERT_TRUE(answers.back().profile.has_value());
    EXPECT_FLOAT_EQ(answers.back().profile->bpm, 120.0f);
    EXPECT_EQ(answers.back().profile->waveform, MadeUpProfile(120.0, 30.0).waveform);
    EXPECT_TRUE(answers.back().onOwnerThread);

    lookup.Request(2, store, dir.W("unknown.wav"));
    ASSERT_TRUE(WaitForTicket(2));
    EXPECT_FALSE(answers.back().profile.has_value());

    // Many questions at once: the last is answered, the others in order or not at all.
    answers.clear();
    for (std::uint64_t ticket = 10; ticket <= 40; ++ticket) lookup.Request(ticket, store, dir.W("known.wav"));
    ASSERT_TRUE(WaitForTicket(40));
    for (std::size_t i = 1; i < answers.size(); ++i) EXPECT_LT(answers[i - 1].ticket, answers[i].ticket);
    for (const Answer& answer : answers) {
        EXPECT_TRUE(answer.onOwnerThread);
        EXPECT_TRUE(answer.profile.has_value());
    }
}

TEST_F(ProfileLookupTest, DestroyedWhileLookingUpItAnswersNothingAndKeepsTheStoreAlive) {
    for (int round = 0; round < 20; ++round) {
        auto lookup = std::make_unique<CProfileLookup>(Collect());
        // The lookup holds its own reference to the store it was handed.
        auto handed = std::make_shared<CAnalysisStore>(dir.Str("analysis.sqlite"), [](const std::string&) {});
        lookup->Request(1, handed, dir.W("known.wav"));
        lookup->Request(2, std::move(handed), dir.W("known.wav"));
        if (round % 2) QThread::usleep(200);  // sometimes while the lookup runs
        lookup.reset();
    }
    QCoreApplication::processEvents();
    EXPECT_TRUE(answers.empty());
}
