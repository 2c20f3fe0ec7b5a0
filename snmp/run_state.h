#pragma once

#include <atomic>
#include <chrono>
#include <mutex>
#include <thread>
#include <vector>

namespace sorpex {

// Values of RunState::runState.
inline constexpr int kRunGoing = 0;
inline constexpr int kRunCancelPressed = 1;  // the user closed the progress dialog with Cancel
inline constexpr int kRunWaitingForUser = 2; // the run stopped at a batch end, waiting for the answer
inline constexpr int kRunCancelled = 3;      // the user confirmed: no further batch
inline constexpr int kRunEnded = -1;

// The state one acquisition run shares with its worker threads and its progress dialog.
struct RunState {
    std::atomic<int> runState{kRunGoing};
    std::atomic<int> totalCount{0};
    std::atomic<int> doneCount{0};
    std::mutex mutex; // doneCount is raised under it
    std::atomic<bool> rangeMode{false};
    // Printers that answered their first request.
    std::atomic<int> answeredCount{0};
    // Slots whose printer was never asked: no thread, no socket. Under `mutex`.
    std::vector<int> notAsked;
};

// The row in `slot` was not asked (it counts as done all the same).
inline void countNotAsked(RunState& run, int slot) {
    std::lock_guard lock(run.mutex);
    run.notAsked.push_back(slot);
}

// One more printer done, its row filled or (a worker that could not start) left as it was.
inline void countDone(RunState& run) {
    std::lock_guard lock(run.mutex);
    run.doneCount.fetch_add(1);
}

// The run's side of the cancel hand-shake, once the user has pressed Cancel: the run has stopped
// starting printers and says so; the progress dialog asks and turns kRunWaitingForUser into
// kRunGoing or kRunCancelled.
inline void waitForDecision(RunState& run) {
    int expected = kRunCancelPressed;
    run.runState.compare_exchange_strong(expected, kRunWaitingForUser);
    while (run.runState.load() == kRunWaitingForUser) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace sorpex
