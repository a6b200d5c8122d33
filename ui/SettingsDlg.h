#pragma once
// The settings dialog of the Settings toolbar button: the preferred BPM range (off by default),
// the key notation of the list and the number of analyses run at once. OK keeps the choices in
// the settings file; a range narrower than one octave is refused in the dialog, which stays open
// and says why.

#include <QDialog>

#include "ui/AppSettings.h"

class QCheckBox;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QSpinBox;

class CSettingsDlg : public QDialog {
    Q_OBJECT
public:
    // Shows the values stored in `settings`, which outlives the dialog.
    explicit CSettingsDlg(CAppSettings& settings, QWidget* parent = nullptr);

    // The choices as the dialog shows them (the range is none while its box is clear).
    BPM_RANGE ChosenRange() const;
    KeyNotation ChosenNotation() const;
    int ChosenWorkers() const;

    // Checks the choices and stores them: false, with the reason shown, for a range narrower than
    // one octave (nothing stored); OK calls it and closes the dialog only on true.
    bool StoreChoices();

private:
    void ShowRangeEnabled();

    CAppSettings& settings_;
    QCheckBox* useRange_;
    QDoubleSpinBox* low_;
    QDoubleSpinBox* high_;
    QComboBox* notation_;
    QSpinBox* workers_;
    QLabel* problem_;
};
