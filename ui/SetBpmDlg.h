#pragma once
// The "Set BPM" dialog: one number field, 40.00 to 300.00 with two decimals, OK and Cancel.

#include <QDialog>

class QDoubleSpinBox;

class CSetBpmDlg : public QDialog {
    Q_OBJECT
public:
    // Starts with `bpm` in the field (clamped to the range; the range's low end for 0).
    CSetBpmDlg(float bpm, QWidget* parent);

    // The number in the field.
    float Bpm() const;

private:
    QDoubleSpinBox* field_;
};
