#pragma once

#include "snmp/acquisition_run.h"

#include <iosfwd>

namespace sorpex {

// A run without a window: with a progress stream the batches go on a thread of their own and the
// count goes by there as "done/total"; without one, or when that thread cannot start, they run
// on the caller's thread. Nothing is busy, refreshed or saved automatically.
class ConsoleHost : public AcquisitionHost {
public:
    // `progress` may be null: then nothing is shown.
    explicit ConsoleHost(std::ostream* progress = nullptr) : m_progress(progress) {}

    void setBusy(bool) override {}
    void refreshList() override {}
    void autoSave() override {}
    bool runWithProgress(RunState& run, const std::function<void()>& batches, const ThreadStarter& start) override;

private:
    std::ostream* m_progress;
};

} // namespace sorpex
