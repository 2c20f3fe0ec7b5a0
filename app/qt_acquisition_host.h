#pragma once

#include "snmp/acquisition_run.h"

#include <functional>

class QWidget;

namespace sorpex {

class UserInteraction;

// An acquisition run in the window: the batches run on a thread of their own while the progress
// dialog is shown; the window keeps repainting but takes no input until the run has ended.
class QtAcquisitionHost : public AcquisitionHost {
public:
    QtAcquisitionHost(QWidget* window, UserInteraction& ui, std::function<void()> refresh, std::function<void()> save);

    void setBusy(bool busy) override;
    bool runWithProgress(RunState& run, const std::function<void()>& batches, const ThreadStarter& start) override;
    void refreshList() override { m_refresh(); }
    void autoSave() override { m_save(); }

private:
    QWidget* m_window;
    UserInteraction& m_ui;
    std::function<void()> m_refresh;
    std::function<void()> m_save;
};

} // namespace sorpex
