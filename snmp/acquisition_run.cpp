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

#include <dirent.h>
#include <sys/resource.h>

namespace sorpex {
namespace {

// A worker that cannot start while others run waits for them to end. With none running it is
// tried a few times more (the threads may be another program's), then the run gives up.
constexpr int kLoneStartTries = 3;
constexpr std::chrono::milliseconds kLoneStartPause{100};

// Each worker holds one socket; the report, the mail and the window's own files keep the rest.
constexpr long kDescriptorReserve = 16;

void runFixedBatches(PrinterTable& table, const std::vector<int>& marks, RunState& run, const PrinterQuery& query,
                     std::size_t batchSize, const BatchTiming& timing) {
    std::size_t cursor = 0;
    while (true) {
        std::vector<std::thread> batch;
        for (int slot; batch.size() < batchSize;) {
            const std::size_t before = cursor;
            if ((slot = nextQueriedSlot(table, marks, cursor)) < 0) {
                break;
            }
            table.slot(slot).scratch = slot;
            std::thread worker = startWorker(
                timing.start, [&query, slot] { query(slot); }, !batch.empty());
            if (!worker.joinable()) {
                // The row is tried again once this batch has ended.
                cursor = before;
                break;
            }
            batch.push_back(std::move(worker));
            std::this_thread::sleep_for(timing.startPause);
        }
        if (batch.empty()) {
            leaveNotAsked(table, marks, run, cursor);
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

std::thread startThread(std::function<void()> body) {
    try {
        return std::thread(std::move(body));
    } catch (const std::system_error&) {
        return {};
    }
}

std::thread startWorker(const ThreadStarter& start, const std::function<void()>& body, bool othersRunning) {
    for (int tries = othersRunning ? 1 : kLoneStartTries;;) {
        std::thread worker = start(body);
        if (worker.joinable() || --tries == 0) {
            return worker;
        }
        std::this_thread::sleep_for(kLoneStartPause);
    }
}

void leaveNotAsked(const PrinterTable& table, const std::vector<int>& marks, RunState& run, std::size_t& cursor) {
    for (int slot; (slot = nextQueriedSlot(table, marks, cursor)) >= 0;) {
        countNotAsked(run, slot);
        countDone(run);
    }
}

std::string notAskedMessage(std::size_t rows) {
    return cp932::fromUtf8("資源不足のため、" + std::to_string(rows) + " 件のプリンタに問い合わせできませんでした。");
}

int descriptorWidth(int width) {
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == RLIM_INFINITY) {
        return width;
    }
    long open = 0;
    if (DIR* folder = opendir("/proc/self/fd")) {
        while (const dirent* entry = readdir(folder)) {
            open += entry->d_name[0] != '.';
        }
        closedir(folder);
        --open; // the folder's own
    }
    const long spare = static_cast<long>(limit.rlim_cur) - open - kDescriptorReserve;
    return static_cast<int>(std::clamp<long>(spare, 1, width));
}

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
    const int parallel = std::clamp(timing.parallel, kParallelMin, kParallelMax);
    const int width = descriptorWidth(parallel);
    if (parallel <= kBatchSize) {
        runFixedBatches(table, marks, run, query, static_cast<std::size_t>(width), timing);
    } else {
        runWindow(table, marks, run, query, width, timing.start);
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
    run.answeredCount.store(0);
    run.notAsked.clear();
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
        if (!host.runWithProgress(
                run, [&] { runBatches(table, marks, run, query, timing); }, timing.start)) {
            std::size_t cursor = 0;
            leaveNotAsked(table, marks, run, cursor);
        }
        // Rows never asked keep what they held: the message says so, not a "No Response".
        if (!run.notAsked.empty()) {
            ui.showMessage(notAskedMessage(run.notAsked.size()), MessageIcon::Warning, MessageButtons::Ok);
        }
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

BatchTiming timingForVersion(BatchTiming timing, SnmpVersion version) {
    if (version != SnmpVersion::V1) {
        timing.startPause = std::chrono::milliseconds(0);
    }
    return timing;
}

} // namespace sorpex
