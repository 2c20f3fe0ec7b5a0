#pragma once

#include "snmp/acquisition_run.h"

#include <iosfwd>

namespace sorpex {

// A run without a window: the batches go on a thread of their own, and with a progress stream
// the count goes by there as "done/total". Nothing is busy, refreshed or saved automatically.
class ConsoleHost : public AcquisitionHost {
public:
    // `progress` may be null: then nothing is shown.
    explicit ConsoleHost(std::ostream* progress = nullptr) : m_progress(progress) {}

    void setBusy(bool) override {}
    void refreshList() override {}
    void autoSave() override {}
    void runWithProgress(RunState& run, const std::function<void()>& batches) override;

private:
    std::ostream* m_progress;
};

} // namespace sorpex
