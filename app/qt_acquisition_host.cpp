#include "app/qt_acquisition_host.h"

#include "app/input_blocker.h"
#include "snmp/run_state.h"
#include "snmp/wait_dialog.h"

#include <QApplication>
#include <QEventLoop>
#include <QWidget>

#include <thread>

namespace sorpex {
QtAcquisitionHost::QtAcquisitionHost(QWidget* window, UserInteraction& ui, std::function<void()> refresh,
                                     std::function<void()> save)
    : m_window(window), m_ui(ui), m_refresh(std::move(refresh)), m_save(std::move(save)) {}

void QtAcquisitionHost::setBusy(bool busy) {
    if (busy) {
        QApplication::setOverrideCursor(Qt::WaitCursor);
    } else {
        QApplication::restoreOverrideCursor();
    }
}

bool QtAcquisitionHost::runWithProgress(RunState& run, const std::function<void()>& batches,
                                        const ThreadStarter& start) {
    InputBlocker blocker(m_window);
    WaitDialog dialog(run, m_ui, m_window);
    QEventLoop loop;
    QObject::connect(&dialog, &WaitDialog::runEnded, &loop, &QEventLoop::quit);
    // Without its thread the run does not start: the window stays as it was, the run says why.
    std::thread worker = start(batches);
    if (!worker.joinable()) {
        return false;
    }
    dialog.start();
    loop.exec();
    worker.join();
    return true;
}

} // namespace sorpex
