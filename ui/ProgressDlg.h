#pragma once
// The modal progress dialog of an import: every 33 ms it reads the shared progress status that
// the import worker fills, shows the status text, a bar and "%.1f%% complete", and ends when
// the status reports done or failed. Cancel only asks the worker to stop; the dialog stays up
// until the worker has noticed and finished.

#include <QDialog>
#include <QTimer>

#include "core/ProgressStatus.h"
#include "ui/StringTable.h"

class QLabel;
class QMainWindow;
class QProgressBar;
class QPushButton;

class CProgressDlg : public QDialog {
    Q_OBJECT
public:
    // Timer 103 of the dialog: its period.
    static constexpr int kTimerId = 103;
    static constexpr int kTimerPeriodMs = 33;
    // The bar's range: the fraction done in thousandths.
    static constexpr int kBarRange = 1000;

    // Watches `status` (the caller keeps its reference for as long as the dialog runs); the
    // caption is string `caption` (none when that text is empty).
    CProgressDlg(IProgressStatus* status, StringId caption, QWidget* parent);

    // Escape, the Cancel button and the window's close button: ask the worker to stop.
    void reject() override;

private:
    void OnTimer();
    void OnCancel();
    void EndDialog();

    IProgressStatus* status_;
    QLabel* message_;
    QProgressBar* bar_;
    QLabel* percent_;
    QPushButton* cancel_;
    QTimer* timer_;
    QString lastMessage_;
    float lastFraction_ = 0.0f;
};

// After an import: says in the status bar of `frame` (when there is one) how many items the
// import could not read and skipped, when there were any.
void ShowSkippedCount(IProgressStatus* status, QMainWindow* frame);
