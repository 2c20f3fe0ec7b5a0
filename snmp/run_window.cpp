#include "snmp/run_window.h"

#include "inventory/printer_table.h"
#include "snmp/run_state.h"

#include <condition_variable>
#include <mutex>
#include <thread>

namespace sorpex {
namespace {

// What the workers of one window share; every member is guarded by `mutex`.
class Window {
public:
    Window(PrinterTable& table, const std::vector<int>& marks) : m_table(table), m_marks(marks) {}

    // The next row to query, or -1 when there is none or the run stops. Waits while held.
    int take() {
        std::unique_lock lock(m_mutex);
        m_changed.wait(lock, [this] { return !m_held || m_stopped; });
        if (m_stopped) {
            return -1;
        }
        const int slot = nextQueriedSlot(m_table, m_marks, m_cursor);
        if (slot >= 0) {
            m_table.slot(slot).scratch = slot;
        }
        return slot;
    }

    void workerStarted() {
        std::lock_guard lock(m_mutex);
        ++m_workers;
    }
    void workerEnded() {
        std::lock_guard lock(m_mutex);
        --m_workers;
        m_changed.notify_all();
    }
    // True once every worker has ended; wakes up at least every `period` to let the caller look
    // at the run state.
    bool waitForWorkers(std::chrono::milliseconds period) {
        std::unique_lock lock(m_mutex);
        return m_changed.wait_for(lock, period, [this] { return m_workers == 0; });
    }

    void hold(bool held) {
        std::lock_guard lock(m_mutex);
        m_held = held;
        m_changed.notify_all();
    }
    void stop() {
        std::lock_guard lock(m_mutex);
        m_stopped = true;
        m_changed.notify_all();
    }

private:
    PrinterTable& m_table;
    const std::vector<int>& m_marks;
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::size_t m_cursor = 0;
    int m_workers = 0;
    bool m_held = false;
    bool m_stopped = false;
};

} // namespace

void runWindow(PrinterTable& table, const std::vector<int>& marks, RunState& run, const PrinterQuery& query, int width,
               const ThreadStarter& start) {
    Window window(table, marks);
    std::vector<std::thread> workers;
    const int wanted = std::min(width, run.totalCount.load());
    workers.reserve(static_cast<std::size_t>(wanted));
    for (int i = 0; i < wanted; ++i) {
        window.workerStarted();
        std::thread worker = startWorker(
            start,
            [&] {
                for (int slot = window.take(); slot >= 0; slot = window.take()) {
                    query(slot);
                }
                window.workerEnded();
            },
            !workers.empty());
        if (!worker.joinable()) {
            // Fewer threads than asked: the window is narrower, no row is lost.
            window.workerEnded();
            break;
        }
        workers.push_back(std::move(worker));
    }
    if (workers.empty()) {
        for (int slot; (slot = window.take()) >= 0;) {
            countNotAsked(run, slot);
            countDone(run);
        }
    }

    while (!window.waitForWorkers(std::chrono::milliseconds(10))) {
        if (run.runState.load() == kRunCancelPressed) {
            window.hold(true);
            waitForDecision(run);
            if (run.runState.load() == kRunCancelled) {
                window.stop();
            }
            window.hold(false);
        }
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
}

} // namespace sorpex
