#include "ui/SettingsDlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDoubleSpinBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <algorithm>
#include <string>

#include "ui/StringTable.h"

namespace {
// What the range boxes offer, and where they start when no range was chosen yet.
constexpr double kRangeMinimum = 1.0;
constexpr double kRangeMaximum = 1000.0;
constexpr BPM_RANGE kSuggestedRange{70.0f, 140.0f};
constexpr int kMaxWorkers = 64;

QDoubleSpinBox* RangeBox(QWidget* parent, const char* name, float value) {
    auto* box = new QDoubleSpinBox(parent);
    box->setObjectName(QLatin1String(name));
    box->setRange(kRangeMinimum, kRangeMaximum);
    box->setDecimals(1);
    box->setValue(static_cast<double>(value));
    return box;
}
}  // namespace

CSettingsDlg::CSettingsDlg(CAppSettings& settings, QWidget* parent)
    : QDialog(parent), settings_(settings) {
    setObjectName(QStringLiteral("settingsDialog"));
    setWindowTitle(TwString(IDS_SETTINGS_CAPTION));
    const BPM_RANGE stored = settings.PreferredRange();
    const BPM_RANGE shown = stored.IsSet() ? stored : kSuggestedRange;

    useRange_ = new QCheckBox(TwString(IDS_SETTINGS_RANGE), this);
    useRange_->setObjectName(QStringLiteral("useRange"));
    useRange_->setChecked(stored.IsSet());
    low_ = RangeBox(this, "rangeLow", shown.low);
    high_ = RangeBox(this, "rangeHigh", shown.high);
    auto* rangeRow = new QHBoxLayout;
    rangeRow->addWidget(new QLabel(TwString(IDS_SETTINGS_RANGE_LOW), this));
    rangeRow->addWidget(low_);
    rangeRow->addWidget(new QLabel(TwString(IDS_SETTINGS_RANGE_HIGH), this));
    rangeRow->addWidget(high_);
    rangeRow->addStretch();

    notation_ = new QComboBox(this);
    notation_->setObjectName(QStringLiteral("keyNotation"));
    notation_->addItem(TwString(IDS_SETTINGS_STANDARD), static_cast<int>(KeyNotation::Standard));
    notation_->addItem(TwString(IDS_SETTINGS_WHEEL), static_cast<int>(KeyNotation::Wheel));
    notation_->setCurrentIndex(settings.KeyNotationSetting() == KeyNotation::Wheel ? 1 : 0);

    workers_ = new QSpinBox(this);
    workers_->setObjectName(QStringLiteral("workers"));
    workers_->setRange(0, kMaxWorkers);
    workers_->setSpecialValueText(TwString(IDS_SETTINGS_WORKERS_AUTO));
    workers_->setValue(static_cast<int>(std::min(settings.Workers(), static_cast<unsigned>(kMaxWorkers))));

    auto* form = new QFormLayout;
    form->addRow(TwString(IDS_SETTINGS_NOTATION), notation_);
    form->addRow(TwString(IDS_SETTINGS_WORKERS), workers_);

    problem_ = new QLabel(this);
    problem_->setObjectName(QStringLiteral("settingsProblem"));
    problem_->setWordWrap(true);
    problem_->hide();
    auto* note = new QLabel(TwString(IDS_SETTINGS_NOTE), this);
    note->setWordWrap(true);

    auto* buttons = new QDialogButtonBox(this);
    buttons->addButton(TwString(IDS_OK), QDialogButtonBox::AcceptRole);
    buttons->addButton(TwString(IDS_CANCEL), QDialogButtonBox::RejectRole);
    connect(buttons, &QDialogButtonBox::accepted, this, [this] {
        if (StoreChoices()) accept();
    });
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    connect(useRange_, &QCheckBox::toggled, this, &CSettingsDlg::ShowRangeEnabled);

    auto* layout = new QVBoxLayout(this);
    layout->addWidget(useRange_);
    layout->addLayout(rangeRow);
    layout->addLayout(form);
    layout->addWidget(problem_);
    layout->addWidget(note);
    layout->addWidget(buttons);
    ShowRangeEnabled();
}

BPM_RANGE CSettingsDlg::ChosenRange() const {
    if (!useRange_->isChecked()) return {};
    return {static_cast<float>(low_->value()), static_cast<float>(high_->value())};
}

KeyNotation CSettingsDlg::ChosenNotation() const {
    return static_cast<KeyNotation>(notation_->currentData().toInt());
}

int CSettingsDlg::ChosenWorkers() const { return workers_->value(); }

bool CSettingsDlg::StoreChoices() {
    const BPM_RANGE range = ChosenRange();
    std::string unused;
    if (range.IsSet() && !CheckBpmRange(range, unused)) {
        problem_->setText(FormatWithText(IDS_SETTINGS_RANGE_TOO_NARROW,
                                         QString::number(2.0 * low_->value())));
        problem_->show();
        return false;
    }
    problem_->hide();
    settings_.SetPreferredRange(range);
    settings_.SetKeyNotation(ChosenNotation());
    settings_.SetWorkers(static_cast<unsigned>(ChosenWorkers()));
    return true;
}

void CSettingsDlg::ShowRangeEnabled() {
    low_->setEnabled(useRange_->isChecked());
    high_->setEnabled(useRange_->isChecked());
}
