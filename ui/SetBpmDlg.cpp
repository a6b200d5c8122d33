#include "ui/SetBpmDlg.h"

#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>

#include "catalog/ICatalog.h"
#include "ui/StringTable.h"

namespace {
constexpr int kBpmDecimals = 2;
}

CSetBpmDlg::CSetBpmDlg(float bpm, QWidget* parent) : QDialog(parent), field_(new QDoubleSpinBox(this)) {
    setObjectName(QStringLiteral("setBpmDialog"));
    setWindowTitle(TwString(IDS_SET_BPM_CAPTION));
    field_->setObjectName(QStringLiteral("bpmField"));
    field_->setDecimals(kBpmDecimals);
    field_->setRange(kMinHandBpm, kMaxHandBpm);
    field_->setValue(bpm);  // QDoubleSpinBox clamps to its range
    // The number is read as typed, with "." as decimal point, whatever the locale.
    field_->setLocale(QLocale::c());

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    auto* layout = new QFormLayout(this);
    layout->addRow(TwString(IDS_SET_BPM_LABEL), field_);
    layout->addRow(buttons);
    field_->selectAll();
}

float CSetBpmDlg::Bpm() const { return static_cast<float>(field_->value()); }
