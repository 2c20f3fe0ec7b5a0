#include "snmp/acquisition_run.h"

#include "base/cp932.h"
#include "base/interaction.h"
#include "inventory/ip_address.h"
#include "inventory/printer_table.h"
#include "snmp/run_state.h"

#include <system_error>
#include <thread>

namespace sorpex {
namespace {

constexpr int kBatchSize = 10;

void countDone(RunState& run) {
    std::lock_guard lock(run.mutex);
    run.doneCount.fetch_add(1);
}

// The user's answer at a batch end: the progress dialog turns kRunWaitingForUser into
// kRunGoing or kRunCancelled.
void waitForDecision(RunState& run) {
    int expected = kRunCancelPressed;
    run.runState.compare_exchange_strong(expected, kRunWaitingForUser);
    while (run.runState.load() == kRunWaitingForUser) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
}

} // namespace

std::vector<int> checkAddresses(PrinterTable& table, int* validRows, int* invalidRows) {
    std::vector<int> marks;
    *validRows = 0;
    *invalidRows = 0;
    for (int index = 0; index < PrinterTable::kSlotCount; ++index) {
        PrinterRecord& row = table.slot(index);
        if (row.id == kTerminatorId) {
            marks.push_back(kMarkEnd);
            break;
        }
        if (row.id == kEmptySlotId) {
            marks.push_back(kMarkInvalid);
            continue;
        }
        if (normalizeIpAddress(row.ipAddress) == 0) {
            marks.push_back(kMarkValid);
            ++*validRows;
        } else {
            marks.push_back(kMarkInvalid);
            row.model.set("Invalid IP Address");
            ++*invalidRows;
        }
    }
    return marks;
}

void runBatches(PrinterTable& table, const std::vector<int>& marks, RunState& run, const PrinterQuery& query,
                const BatchTiming& timing) {
    std::size_t cursor = 0;
    while (true) {
        std::vector<std::thread> batch;
        for (; cursor < marks.size() && marks[cursor] != kMarkEnd && batch.size() < kBatchSize; ++cursor) {
            int slot = static_cast<int>(cursor);
            PrinterRecord& row = table.slot(slot);
            if (marks[cursor] != kMarkValid || row.acquire == 0) {
                continue;
            }
            row.scratch = slot;
            try {
                batch.emplace_back(query, slot);
            } catch (const std::system_error&) {
                // A worker that cannot start leaves its row as it was and still counts as done,
                // so the count reaches the total and nothing waits for it.
                countDone(run);
                continue;
            }
            std::this_thread::sleep_for(timing.startPause);
        }
        if (batch.empty()) {
            break;
        }
        for (std::thread& worker : batch) {
            worker.join();
        }
        if (run.runState.load() != kRunGoing) {
            waitForDecision(run);
        }
        if (run.runState.load() == kRunCancelled) {
            break;
        }
    }
    std::this_thread::sleep_for(run.runState.load() != kRunGoing ? timing.cancelPause : timing.endPause);
    run.runState.store(kRunEnded);
}

void acquisitionRun(PrinterTable& table, bool autoSave, RunState& run, UserInteraction& ui, AcquisitionHost& host,
                    const PrinterQuery& query, const BatchTiming& timing) {
    table.setModified();
    host.setBusy(true);
    run.doneCount.store(0);
    run.totalCount.store(0);
    run.runState.store(kRunGoing);

    int valid = 0;
    int invalid = 0;
    std::vector<int> marks = checkAddresses(table, &valid, &invalid);
    bool go = true;
    if (valid == 0) {
        ui.showMessage(cp932::fromUtf8("有効なＩＰアドレスの指定がありません。処理を中止します。"),
                       MessageIcon::Warning, MessageButtons::Ok);
        go = false;
    } else if (invalid > 0) {
        go = ui.showMessage(cp932::fromUtf8("無効なＩＰアドレスの指定がありました。処理を続けますか。"),
                            MessageIcon::Warning, MessageButtons::OkCancel) == Answer::Ok;
    }
    if (go) {
        int total = 0;
        for (std::size_t slot = 0; slot < marks.size() && marks[slot] != kMarkEnd; ++slot) {
            if (marks[slot] == kMarkValid && table.slot(static_cast<int>(slot)).acquire != 0) {
                ++total;
            }
        }
        run.totalCount.store(total);
        host.runWithProgress(run, [&] { runBatches(table, marks, run, query, timing); });
    }
    run.runState.store(kRunEnded);
    host.refreshList();
    if (autoSave) {
        host.autoSave();
    }
    host.setBusy(false);
}

void acquireAll(PrinterTable& table, bool autoSave, RunState& run, UserInteraction& ui, AcquisitionHost& host,
                const PrinterQuery& query, const BatchTiming& timing) {
    table.markForAcquisition();
    acquisitionRun(table, autoSave, run, ui, host, query, timing);
}

} // namespace sorpex
