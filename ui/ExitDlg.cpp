#include "ui/ExitDlg.h"

#include <QLabel>
#include <QPushButton>

#include "ui/DialogUnits.h"
#include "ui/Pictures.h"
#include "ui/StringTable.h"
#include "ui/WebPages.h"

namespace {
// The dialog's layout in dialog units.
constexpr QSize kDialogSize{274, 185};
constexpr int kBanner[] = {0, 0, 274, 36};
constexpr int kParagraphX = 7;
constexpr int kParagraphY[] = {48, 84, 121};
constexpr QSize kParagraphSize{260, 31};
constexpr int kClose[] = {164, 164, 50, 14};
constexpr int kMoreInfo[] = {217, 164, 50, 14};
constexpr StringId kParagraphs[] = {IDS_EXIT_OFFER, IDS_EXIT_TERMS, IDS_EXIT_INVITE};

QRect Place(const CDialogUnits& units, const int (&rect)[4]) {
    return units.ToPixels(rect[0], rect[1], rect[2], rect[3]);
}
}  // namespace

CExitDlg::CExitDlg(QWidget* parent) : QDialog(parent) {
    setObjectName(QStringLiteral("exitDialog"));
    setModal(true);
    setWindowTitle(TwString(IDS_EXIT_CAPTION));
    const CDialogUnits units(font());
    setFixedSize(units.ToPixels(kDialogSize));

    auto* banner = new QLabel(this);
    banner->setObjectName(QStringLiteral("exitBanner"));
    const QRect bannerRect = Place(units, kBanner);
    banner->setGeometry(bannerRect);
    banner->setPixmap(ExitBannerPicture(bannerRect.size(), devicePixelRatioF()));

    for (size_t i = 0; i < std::size(kParagraphs); ++i) {
        auto* paragraph = new QLabel(TwString(kParagraphs[i]), this);
        paragraph->setObjectName(QStringLiteral("paragraph%1").arg(i + 1));
        paragraph->setTextFormat(Qt::PlainText);
        paragraph->setWordWrap(true);
        paragraph->setAlignment(Qt::AlignLeft | Qt::AlignTop);
        paragraph->setGeometry(units.ToPixels(kParagraphX, kParagraphY[i], kParagraphSize.width(),
                                              kParagraphSize.height()));
    }

    auto* close = new QPushButton(TwString(IDS_EXIT_CLOSE), this);
    close->setObjectName(QStringLiteral("closeButton"));
    close->setGeometry(Place(units, kClose));
    close->setAutoDefault(false);
    connect(close, &QPushButton::clicked, this, &QDialog::accept);

    auto* moreInfo = new QPushButton(TwString(IDS_EXIT_MORE_INFO), this);
    moreInfo->setObjectName(QStringLiteral("moreInfoButton"));
    moreInfo->setGeometry(Place(units, kMoreInfo));
    moreInfo->setDefault(true);
    connect(moreInfo, &QPushButton::clicked, this, &CExitDlg::OnMoreInfo);
    moreInfo->setFocus();
}

void CExitDlg::OnMoreInfo() { OpenProductPage(); }
