#include "ui/ProgressDlg.h"

#include <QLabel>
#include <QMainWindow>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>

#include "platform/Bstr.h"
#include "ui/DialogUnits.h"
#include "ui/QtText.h"

namespace {
// The dialog's layout in dialog units.
constexpr QSize kDialogSize{266, 74};
constexpr int kMessage[] = {7, 6, 252, 19};
constexpr int kBar[] = {7, 25, 252, 14};
constexpr int kPercent[] = {7, 41, 252, 8};
constexpr int kCancel[] = {209, 53, 50, 14};
}  // namespace

CProgressDlg::CProgressDlg(IProgressStatus* status, StringId caption, QWidget* parent)
    : QDialog(parent),
      status_(status),
      message_(new QLabel(this)),
      bar_(new QProgressBar(this)),
      percent_(new QLabel(TwString(IDS_PROGRESS_START), this)),
      cancel_(new QPushButton(TwString(IDS_CANCEL), this)),
      timer_(new QTimer(this)) {
    setObjectName(QStringLiteral("progressDialog"));
    setModal(true);
    const CDialogUnits units(font());
    setFixedSize(units.ToPixels(kDialogSize));

    message_->setObjectName(QStringLiteral("messageLine"));
    message_->setTextFormat(Qt::PlainText);
    message_->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    message_->setWordWrap(true);
    message_->setGeometry(units.ToPixels(kMessage));

    bar_->setObjectName(QStringLiteral("progressBar"));
    bar_->setRange(0, kBarRange);
    bar_->setValue(0);
    bar_->setTextVisible(false);
    bar_->setGeometry(units.ToPixels(kBar));

    percent_->setObjectName(QStringLiteral("percentLine"));
    percent_->setTextFormat(Qt::PlainText);
    percent_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    percent_->setGeometry(units.ToPixels(kPercent));

    cancel_->setObjectName(QStringLiteral("cancelButton"));
    cancel_->setGeometry(units.ToPixels(kCancel));
    connect(cancel_, &QPushButton::clicked, this, &CProgressDlg::OnCancel);

    const QString title = TwString(caption);
    if (!title.isEmpty()) setWindowTitle(title);

    timer_->setObjectName(QStringLiteral("progressTimer"));
    timer_->setInterval(kTimerPeriodMs);
    connect(timer_, &QTimer::timeout, this, &CProgressDlg::OnTimer);
    timer_->start();
}

void CProgressDlg::reject() { OnCancel(); }

void CProgressDlg::OnCancel() { status_->RequestCancel(); }

void CProgressDlg::OnTimer() {
    CBstr text;
    status_->GetText(text.Out());
    const QString message = ToQString(text.Str());
    if (message != lastMessage_) {
        message_->setText(message);
        lastMessage_ = message;
    }

    float fraction = 0.0f;
    status_->GetProgress(&fraction);
    if (fraction != lastFraction_) {
        bar_->setValue(static_cast<int>(fraction * kBarRange));
        percent_->setText(FormatPercentComplete(fraction));
        lastFraction_ = fraction;
    }

    if (status_->IsDone() != S_FALSE) EndDialog();
}

void CProgressDlg::EndDialog() {
    timer_->stop();
    done(QDialog::Accepted);
}

void ShowSkippedCount(IProgressStatus* status, QMainWindow* frame) {
    std::uint32_t count = 0;
    if (!frame || !status || FAILED(status->GetSkippedCount(&count)) || count == 0) return;
    frame->statusBar()->showMessage(FormatWithText(IDS_IMPORT_SKIPPED, QString::number(count)));
}
