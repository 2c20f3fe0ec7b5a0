#include "snmp/wait_dialog.h"

#include "base/cp932.h"
#include "base/qt/dialog_units.h"
#include "base/interaction.h"
#include "snmp/run_state.h"

#include <QCloseEvent>
#include <QLineEdit>
#include <QProgressBar>
#include <QPushButton>
#include <QTimer>

#include <algorithm>

namespace sorpex {

WaitDialog::WaitDialog(RunState& run, UserInteraction& ui, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::WindowTitleHint | Qt::CustomizeWindowHint), m_run(run), m_ui(ui) {
    setObjectName("waitDialog");
    setWindowTitle(QString::fromUtf8("プリンター情報取得状況"));
    setWindowModality(Qt::ApplicationModal);
    setFixedSize(dialogSize(this, 186, 75));

    m_state = new QLineEdit(QString::fromUtf8("情報取得中"), this);
    m_state->setReadOnly(true);
    place(m_state, "stateText", 1002, 16, 10, 83, 14);
    m_count = new QLineEdit(this);
    m_count->setReadOnly(true);
    m_count->setAlignment(Qt::AlignRight);
    m_count->setMaxLength(30);
    place(m_count, "countText", 1001, 112, 10, 47, 14);
    m_extra = new QLineEdit(this);
    m_extra->setReadOnly(true);
    m_extra->setMaxLength(100);
    place(m_extra, "extraLine", 1041, 16, 22, 147, 14);
    m_bar = new QProgressBar(this);
    m_bar->setTextVisible(false);
    place(m_bar, "progressBar", 1012, 16, 36, 146, 14);
    m_cancel = new QPushButton(QString::fromUtf8("キャンセル"), this);
    place(m_cancel, "cancelButton", 2, 65, 54, 50, 14);
    connect(m_cancel, &QPushButton::clicked, this, &WaitDialog::reject);

    // The three texts are read-only edits without a border, on the dialog's own background:
    // they read as labels, and the extra line may overlap the state text's lower edge.
    for (QLineEdit* edit : {m_state, m_count, m_extra}) {
        edit->setFrame(false);
        edit->setFocusPolicy(Qt::NoFocus);
        QPalette palette = edit->palette();
        palette.setColor(QPalette::Base, this->palette().color(QPalette::Window));
        edit->setPalette(palette);
    }

    m_poll = new QTimer(this);
    m_poll->setInterval(100);
    connect(m_poll, &QTimer::timeout, this, &WaitDialog::poll);
    m_second = new QTimer(this);
    m_second->setInterval(1000);
    connect(m_second, &QTimer::timeout, this, &WaitDialog::everySecond);
}

QString WaitDialog::stateText() const {
    return m_state->text();
}
QString WaitDialog::countText() const {
    return m_count->text();
}

void WaitDialog::start() {
    int total = m_run.totalCount.load();
    // A range of 0 … 0 would make Qt draw its moving busy bar; a run of nothing shows an empty one.
    m_bar->setRange(0, std::max(total, 1));
    m_bar->setValue(0);
    // "1/n" until the first printer is done: the count reads as "working on the first".
    m_count->setText(QString("1/%1").arg(total));
    m_poll->start();
    m_second->start();
    show();
}

void WaitDialog::updateCount() {
    int done = m_run.doneCount.load();
    int total = m_run.totalCount.load();
    m_count->setText(done != 0 ? QString("%1/%2").arg(done).arg(total) : QString("1/%1").arg(total));
}

void WaitDialog::everySecond() {
    if (m_phase == Phase::Showing || m_phase == Phase::CancelShown) {
        updateCount();
    }
}

void WaitDialog::poll() {
    m_bar->setValue(m_run.doneCount.load());
    int state = m_run.runState.load();
    if (state == kRunEnded) {
        end();
        return;
    }
    if (m_phase == Phase::WaitingForBatchEnd && state != kRunCancelPressed) {
        askAtBatchEnd();
    }
}

void WaitDialog::reject() {
    if (m_phase != Phase::Showing) {
        return;
    }
    // Like closing the dialog: it disappears until the run has reached its batch end.
    hide();
    m_phase = Phase::WaitingForBatchEnd;
    m_run.runState.store(kRunCancelPressed);
}

void WaitDialog::closeEvent(QCloseEvent* event) {
    // Any other way of closing it while the run goes on re-opens it at once.
    event->ignore();
}

void WaitDialog::askAtBatchEnd() {
    m_phase = Phase::Asking;
    m_poll->stop();
    std::string question = cp932::fromUtf8("キャンセルしますか？(") + std::to_string(m_run.doneCount.load()) + "/" +
                           std::to_string(m_run.totalCount.load()) + ")";
    Answer answer = m_ui.showMessage(question, MessageIcon::Warning, MessageButtons::YesNo);
    if (m_run.runState.load() == kRunEnded) {
        end();
        return;
    }
    if (answer == Answer::Yes) {
        m_run.runState.store(kRunCancelled);
        m_phase = Phase::CancelShown;
        m_state->setText(QString::fromUtf8("キャンセル中"));
        m_cancel->hide();
    } else {
        m_run.runState.store(kRunGoing);
        m_phase = Phase::Showing;
    }
    updateCount();
    show();
    m_poll->start();
}

void WaitDialog::end() {
    if (m_phase == Phase::Ended) {
        return;
    }
    m_phase = Phase::Ended;
    m_poll->stop();
    m_second->stop();
    done(1);
    emit runEnded();
}

} // namespace sorpex
