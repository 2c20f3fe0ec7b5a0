#pragma once

#include <atomic>
#include <mutex>

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
};

} // namespace sorpex
