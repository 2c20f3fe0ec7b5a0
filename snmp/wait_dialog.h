#pragma once

#include <QDialog>

class QLineEdit;
class QProgressBar;
class QPushButton;
class QTimer;

namespace sorpex {

struct RunState;
class UserInteraction;

// プリンター情報取得状況: how many printers of the run are done, and Cancel. It talks to the run
// only through the run state: Cancel asks the run to stop at its next batch end, and when the
// run has stopped there, the user is asked whether to cancel; the run then goes on or ends.
class WaitDialog : public QDialog {
    Q_OBJECT
public:
    WaitDialog(RunState& run, UserInteraction& ui, QWidget* parent = nullptr);

    // Shows the dialog; `finished` follows once the run has ended.
    void start();

    QString stateText() const;
    QString countText() const;

signals:
    void runEnded();

protected:
    void reject() override; // Cancel and Escape
    void closeEvent(QCloseEvent* event) override;

private:
    enum class Phase { Showing, WaitingForBatchEnd, Asking, CancelShown, Ended };

    void poll();
    void everySecond();
    void updateCount();
    void askAtBatchEnd();
    void end();

    RunState& m_run;
    UserInteraction& m_ui;
    Phase m_phase = Phase::Showing;
    QLineEdit* m_state;
    QLineEdit* m_count;
    QLineEdit* m_extra;
    QProgressBar* m_bar;
    QPushButton* m_cancel;
    QTimer* m_poll;
    QTimer* m_second;
};

} // namespace sorpex
