#include <gtest/gtest.h>

#include <QElapsedTimer>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QTest>
#include <QTimer>

#include "core/ProgressStatus.h"
#include "tests/ui/UiFixture.h"
#include "ui/ProgressDlg.h"

namespace {
class ProgressDialogTest : public ::testing::Test {
protected:
    ProgressDialogTest() : status(new CProgressStatus), dialog(status.Get(), IDS_IMPORTING_FILES, nullptr) {}

    QString Message() { return dialog.findChild<QLabel*>(QStringLiteral("messageLine"))->text(); }
    QString Percent() { return dialog.findChild<QLabel*>(QStringLiteral("percentLine"))->text(); }
    int Bar() { return dialog.findChild<QProgressBar*>(QStringLiteral("progressBar"))->value(); }

    ComPtr<CProgressStatus> status;
    CProgressDlg dialog;
};
}  // namespace

TEST_F(ProgressDialogTest, ShowsTextBarAndPercentAsTheWorkerReports) {
    EXPECT_EQ(dialog.windowTitle(), QStringLiteral("Importing Files"));
    auto* timer = dialog.findChild<QTimer*>(QStringLiteral("progressTimer"));
    ASSERT_NE(timer, nullptr);
    EXPECT_EQ(timer->interval(), 33);
    EXPECT_EQ(Percent(), QStringLiteral("0% complete"));
    EXPECT_EQ(dialog.findChild<QProgressBar*>()->maximum(), 1000);

    dialog.open();
    status->SetText(u"Found File: /m/a.wav");
    ASSERT_TRUE(WaitFor([&] { return Message() == QStringLiteral("Found File: /m/a.wav"); }));
    EXPECT_EQ(Percent(), QStringLiteral("0% complete"));  // a fraction of 0 changes nothing
    EXPECT_EQ(Bar(), 0);

    status->SetProgress(0.005f);
    ASSERT_TRUE(WaitFor([&] { return Percent() == QStringLiteral("0.5% complete"); }));
    EXPECT_EQ(Bar(), 5);
    status->SetProgress(0.375f);
    ASSERT_TRUE(WaitFor([&] { return Percent() == QStringLiteral("37.5% complete"); }));
    EXPECT_EQ(Bar(), 375);
    status->SetProgress(2.0f / 3.0f);
    ASSERT_TRUE(WaitFor([&] { return Bar() == 666; }));  // truncated, not rounded
    EXPECT_EQ(Percent(), QStringLiteral("66.7% complete"));

    status->SetDone();
    ASSERT_TRUE(WaitFor([&] { return !dialog.isVisible(); }));
    EXPECT_EQ(dialog.result(), QDialog::Accepted);
    EXPECT_FALSE(timer->isActive());
}

TEST_F(ProgressDialogTest, CancelOnlyAsksAndTheDialogWaitsForTheWorker) {
    dialog.open();
    auto* cancel = dialog.findChild<QPushButton*>(QStringLiteral("cancelButton"));
    cancel->click();
    EXPECT_EQ(status->IsCancelRequested(), S_OK);
    cancel->click();  // twice is harmless
    QTest::keyClick(&dialog, Qt::Key_Escape);
    dialog.close();
    QTest::qWait(100);
    EXPECT_TRUE(dialog.isVisible());
    // The worker notices and finishes; the next tick ends the dialog.
    status->SetDone();
    EXPECT_TRUE(WaitFor([&] { return !dialog.isVisible(); }));
}

TEST_F(ProgressDialogTest, AJobDoneBeforeTheFirstTickShowsOneTick) {
    status->SetText(u"Importing: /m/last.wav");
    status->SetDone();
    QElapsedTimer clock;
    clock.start();
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
    EXPECT_GE(clock.elapsed(), 25);
    EXPECT_LT(clock.elapsed(), 5000);
    EXPECT_EQ(Message(), QStringLiteral("Importing: /m/last.wav"));
    EXPECT_EQ(Percent(), QStringLiteral("0% complete"));
}

TEST_F(ProgressDialogTest, AFailedJobEndsTheDialog) {
    status->SetFailed(E_FAIL);
    EXPECT_EQ(dialog.exec(), QDialog::Accepted);
}
