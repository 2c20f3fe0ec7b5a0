#pragma once

#include "base/snmp_version.h"

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

namespace sorpex {

class PrinterTable;
class UserInteraction;
struct RunState;

// Asks the printer in one slot and raises RunState::doneCount when it is done.
using PrinterQuery = std::function<void(int slot)>;

// Starts a thread running `body`; a thread that is not joinable when the system has none to give.
using ThreadStarter = std::function<std::thread(std::function<void()> body)>;
std::thread startThread(std::function<void()> body);

// What a run needs from whoever started it: the window, or the batch mode without one.
class AcquisitionHost {
public:
    virtual ~AcquisitionHost() = default;

    // The wait cursor, on from the start of the run to its end.
    virtual void setBusy(bool busy) = 0;
    // Runs `batches` to its end while the progress is shown; the window runs it on a thread of
    // its own (started by `start`) and shows the progress dialog meanwhile. It returns when
    // `batches` has returned; false when it could not run it at all.
    virtual bool runWithProgress(RunState& run, const std::function<void()>& batches, const ThreadStarter& start) = 0;
    virtual void refreshList() = 0;
    // The automatic save after the run: a new automatic file name, the file, the title.
    virtual void autoSave() = 0;
};

// Marks of the address check, one per slot.
inline constexpr int kMarkInvalid = 0;
inline constexpr int kMarkValid = 1;
inline constexpr int kMarkEnd = -1;

// Up to this many printers at once the run goes in batches, as it always did.
inline constexpr int kBatchSize = 10;

struct BatchTiming {
    std::chrono::milliseconds startPause{10};    // after each worker start, to spread the requests
    std::chrono::milliseconds endPause{100};     // before the run ends, so the dialog has shown itself
    std::chrono::milliseconds cancelPause{3000}; // the same after a cancel, showing "キャンセル中"
    // Printers in flight (the Parallel setting, 1 to 256): up to kBatchSize, batches of that size;
    // above it, a sliding window without start pauses.
    int parallel = kBatchSize;
    // How the run starts its threads; tests make it fail.
    ThreadStarter start = startThread;
};

// The run's timing for a fleet whose default is `version`: the start pause spreads v1's requests
// (ten or more a printer); v2c and v3 send one or two, and go without it.
BatchTiming timingForVersion(BatchTiming timing, SnmpVersion version);

// Checks and normalises the address of every row; a refused one gets "Invalid IP Address" as
// its model. Gives one mark per slot up to and including the terminator's.
std::vector<int> checkAddresses(PrinterTable& table, int* validRows, int* invalidRows);

// The next slot from `cursor` on that a run queries (marked valid, its row to be acquired), and
// `cursor` moved past it; -1 at the terminator.
int nextQueriedSlot(const PrinterTable& table, const std::vector<int>& marks, std::size_t& cursor);

// Starts a worker through `start`: once when `othersRunning` (the caller waits for them, then
// tries again), else a few times with a pause between. Not joinable when it did not start.
std::thread startWorker(const ThreadStarter& start, const std::function<void()>& body, bool othersRunning);

// The rows from `cursor` on that the run will not ask: into RunState::notAsked, counted done.
void leaveNotAsked(const PrinterTable& table, const std::vector<int>& marks, RunState& run, std::size_t& cursor);

// The queries of a run, in table order, over the marked rows with a valid address. Up to ten at
// once: batches of worker threads, one per row, with the cancel hand-shake through
// RunState::runState after each batch. Wider: see runWindow. Never more at once than free file
// descriptors allow. A worker that cannot start waits for the running ones and is tried again;
// when none can start at all, the rest of the rows go into RunState::notAsked and count as done.
// Ends with runState set to kRunEnded.
void runBatches(PrinterTable& table, const std::vector<int>& marks, RunState& run, const PrinterQuery& query,
                const BatchTiming& timing = {});

// The message of a run that left rows not asked.
std::string notAskedMessage(std::size_t rows);

// How many printers may be in flight at once, at most `width`: each holds one socket, and the
// rest of the process keeps a reserve of the descriptors RLIMIT_NOFILE allows. At least one.
int descriptorWidth(int width);

// One acquisition run over the rows whose `acquire` is set.
void acquisitionRun(PrinterTable& table, bool autoSave, RunState& run, UserInteraction& ui, AcquisitionHost& host,
                    const PrinterQuery& query, const BatchTiming& timing = {});

// Every row: marks all of them and runs.
void acquireAll(PrinterTable& table, bool autoSave, RunState& run, UserInteraction& ui, AcquisitionHost& host,
                const PrinterQuery& query, const BatchTiming& timing = {});

} // namespace sorpex
