#pragma once
// The dialog shown once the main window has closed: a banner, three paragraphs (who offers the
// program, its terms, an invitation to the product page), "Close", and "More Info..." which opens
// the product page and leaves the dialog open.

#include <QDialog>

class QPushButton;

class CExitDlg : public QDialog {
    Q_OBJECT
public:
    explicit CExitDlg(QWidget* parent = nullptr);

private:
    void OnMoreInfo();
};
