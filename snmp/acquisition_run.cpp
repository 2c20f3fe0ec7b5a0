#include "snmp/acquisition_run.h"

#include "base/cp932.h"
#include "base/interaction.h"
#include "inventory/ip_address.h"
#include "inventory/printer_table.h"
#include "settings/app_settings.h"
#include "snmp/run_state.h"
#include "snmp/run_window.h"

#include <algorithm>
#include <system_error>
#include <thread>

namespace sorpex {
namespace {

void runFixedBatches(PrinterTable& table, const std::vector<int>& marks, RunState& run, const PrinterQuery& query,
                     std::size_t batchSize, std::chrono::milliseconds startPause) {
    std::size_t cursor = 0;
    while (true) {
        std::vector<std::thread> batch;
        for (int slot; batch.size() < batchSize && (slot = nextQueriedSlot(table, marks, cursor)) >= 0;) {
            table.slot(slot).scratch = slot;
            try {
                batch.emplace_back(query, slot);
            } catch (const std::system_error&) {
                // A worker that cannot start leaves its row as it was and still counts as done,
                // so the count reaches the total and nothing waits for it.
                countDone(run);
                continue;
            }
            std::this_thread::sleep_for(startPause);
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
}

} // namespace

int nextQueriedSlot(const PrinterTable& table, const std::vector<int>& marks, std::size_t& cursor) {
    for (; cursor < marks.size() && marks[cursor] != kMarkEnd; ++cursor) {
        const int slot = static_cast<int>(cursor);
        if (marks[cursor] == kMarkValid && table.slot(slot).acquire != 0) {
            ++cursor;
            return slot;
        }
    }
    return -1;
}

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
    int width = std::clamp(timing.parallel, kParallelMin, kParallelMax);
    if (width <= kBatchSize) {
        runFixedBatches(table, marks, run, query, static_cast<std::size_t>(width), timing.startPause);
    } else {
        runWindow(table, marks, run, query, width);
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
        for (std::size_t cursor = 0; nextQueriedSlot(table, marks, cursor) >= 0;) {
            ++total;
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
