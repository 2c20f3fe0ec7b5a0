#include "snmp/console_host.h"

#include "snmp/run_state.h"

#include <atomic>
#include <chrono>
#include <ostream>
#include <thread>

namespace sorpex {

void ConsoleHost::runWithProgress(RunState& run, const std::function<void()>& batches) {
    std::atomic<bool> finished{false};
    std::thread worker([&] {
        batches();
        finished = true;
    });
    while (m_progress != nullptr && !finished) {
        *m_progress << '\r' << run.doneCount.load() << '/' << run.totalCount.load() << std::flush;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    worker.join();
    if (m_progress != nullptr) {
        *m_progress << '\r' << run.doneCount.load() << '/' << run.totalCount.load() << '\n';
    }
}

} // namespace sorpex
