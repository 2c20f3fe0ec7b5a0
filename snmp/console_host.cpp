#include "snmp/console_host.h"

#include "snmp/run_state.h"

#include <atomic>
#include <chrono>
#include <ostream>
#include <thread>

namespace sorpex {

bool ConsoleHost::runWithProgress(RunState& run, const std::function<void()>& batches, const ThreadStarter& start) {
    std::atomic<bool> finished{false};
    std::thread worker;
    if (m_progress != nullptr) {
        worker = start([&] {
            batches();
            finished = true;
        });
    }
    // Without a progress line, or without a thread to show it beside, the batches run here.
    if (!worker.joinable()) {
        batches();
        return true;
    }
    while (!finished) {
        *m_progress << '\r' << run.doneCount.load() << '/' << run.totalCount.load() << std::flush;
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
    }
    worker.join();
    *m_progress << '\r' << run.doneCount.load() << '/' << run.totalCount.load() << '\n';
    return true;
}

} // namespace sorpex
