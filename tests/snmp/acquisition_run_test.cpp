#include "snmp/acquisition_run.h"

#include "inventory/printer_table.h"
#include "snmp/run_state.h"
#include "tests/support/scripted_interaction.h"

#include <algorithm>
#include <atomic>
#include <gtest/gtest.h>
#include <mutex>
#include <set>
#include <thread>

using namespace sorpex;
using sorpex::test::ScriptedInteraction;

namespace {

constexpr BatchTiming kQuick{std::chrono::milliseconds(1), std::chrono::milliseconds(1), std::chrono::milliseconds(1)};

// The window's part, played by the test: the batches run on a thread of their own, and an
// optional "user" reacts to the run state as the progress dialog would.
class FakeHost : public AcquisitionHost {
public:
    std::function<void(RunState&)> user; // runs beside the batches
    int busyOn = 0;
    int busyOff = 0;
    int refreshes = 0;
    int saves = 0;
    int progressShown = 0;

    void setBusy(bool busy) override { (busy ? busyOn : busyOff)++; }
    void runWithProgress(RunState& run, const std::function<void()>& batches) override {
        ++progressShown;
        std::thread worker(batches);
        if (user) {
            user(run);
        }
        worker.join();
    }
    void refreshList() override { ++refreshes; }
    void autoSave() override { ++saves; }
};

// A query that records what it was asked and how many ran at once.
struct RecordingQuery {
    RecordingQuery(PrinterTable& table, RunState& run) : table(table), run(run) {}

    PrinterTable& table;
    RunState& run;
    std::chrono::milliseconds work{20};
    std::mutex mutex;
    std::vector<int> order;
    std::set<int> finished;
    std::atomic<int> active{0};
    std::atomic<int> mostAtOnce{0};
    std::atomic<int> startedBeforeEarlierBatchEnded{0};

    PrinterQuery query() {
        return [this](int slot) {
            {
                std::lock_guard lock(mutex);
                order.push_back(slot);
                // Every row of an earlier batch has ended before this one starts.
                for (int earlier = 0; earlier < slot / 10 * 10; ++earlier) {
                    if (finished.count(earlier) == 0) {
                        ++startedBeforeEarlierBatchEnded;
                    }
                }
            }
            int now = ++active;
            int most = mostAtOnce.load();
            while (now > most && !mostAtOnce.compare_exchange_weak(most, now)) {
            }
            std::this_thread::sleep_for(work);
            table.slot(slot).model.set("queried");
            --active;
            {
                std::lock_guard lock(mutex);
                finished.insert(slot);
            }
            std::lock_guard lock(run.mutex);
            ++run.doneCount;
        };
    }
};

void addRows(PrinterTable& table, int count, const std::string& prefix = "127.0.3.") {
    for (int i = 1; i <= count; ++i) {
        ASSERT_TRUE(table.appendRecord(prefix + std::to_string(i), "public", ""));
    }
}

} // namespace

TEST(AcquisitionRun, QueriesMarkedRowsTenAtATimeInTableOrder) {
    PrinterTable table;
    addRows(table, 25);
    RunState run;
    RecordingQuery recorder{table, run};
    FakeHost host;
    ScriptedInteraction ui;
    acquireAll(table, false, run, ui, host, recorder.query(), kQuick);

    EXPECT_EQ(recorder.order.size(), 25u);
    // Threads of one batch may begin their work in any order; the batches follow table order.
    std::sort(recorder.order.begin(), recorder.order.end());
    EXPECT_LE(recorder.mostAtOnce.load(), 10);
    EXPECT_GE(recorder.mostAtOnce.load(), 2);
    EXPECT_EQ(recorder.startedBeforeEarlierBatchEnded.load(), 0);
    for (std::size_t i = 0; i < recorder.order.size(); ++i) {
        // Each row asked once, with its own slot in scratch.
        EXPECT_EQ(recorder.order[i], static_cast<int>(i));
        EXPECT_EQ(table.slot(static_cast<int>(i)).scratch, static_cast<int>(i));
    }
    EXPECT_EQ(run.totalCount.load(), 25);
    EXPECT_EQ(run.doneCount.load(), 25);
    EXPECT_EQ(run.runState.load(), kRunEnded);
    EXPECT_TRUE(table.modified());
    EXPECT_EQ(host.refreshes, 1);
    EXPECT_EQ(host.saves, 0);
    EXPECT_EQ(host.busyOn, 1);
    EXPECT_EQ(host.busyOff, 1);
    EXPECT_TRUE(ui.shown.empty());
}

TEST(AcquisitionRun, OnlyRowsMarkedForAcquisitionAreAsked) {
    PrinterTable table;
    addRows(table, 12);
    table.markForAcquisition({2, 5, 12});
    RunState run;
    RecordingQuery recorder{table, run};
    FakeHost host;
    ScriptedInteraction ui;
    acquisitionRun(table, true, run, ui, host, recorder.query(), kQuick);
    std::sort(recorder.order.begin(), recorder.order.end());
    EXPECT_EQ(recorder.order, (std::vector<int>{1, 4, 11}));
    EXPECT_EQ(run.totalCount.load(), 3);
    EXPECT_EQ(host.saves, 1);
}

TEST(AcquisitionRun, AddressesAreNormalisedAndBadOnesAskOnce) {
    PrinterTable table;
    ASSERT_TRUE(table.appendRecord("192.168.001.010", "public", ""));
    ASSERT_TRUE(table.appendRecord("10.0.0.255", "public", ""));
    ASSERT_TRUE(table.appendRecord("10..0.5", "public", ""));
    table.markForAcquisition({1, 3}); // the bad row is not even marked: it still counts
    RunState run;
    RecordingQuery recorder{table, run};
    FakeHost host;
    ScriptedInteraction ui;
    ui.answerNext(Answer::Ok);
    acquisitionRun(table, false, run, ui, host, recorder.query(), kQuick);

    ASSERT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(ui.shown[0].text, "無効なＩＰアドレスの指定がありました。処理を続けますか。");
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.shown[0].buttons, MessageButtons::OkCancel);
    EXPECT_EQ(table.slot(0).ipAddress.view(), "192.168.1.10");
    EXPECT_EQ(table.slot(2).ipAddress.view(), "10.0.0.5");
    EXPECT_EQ(table.slot(1).model.view(), "Invalid IP Address");
    std::sort(recorder.order.begin(), recorder.order.end());
    EXPECT_EQ(recorder.order, (std::vector<int>{0, 2}));
}

TEST(AcquisitionRun, CancelAtTheAddressQuestionQueriesNothingButStillRefreshesAndSaves) {
    PrinterTable table;
    addRows(table, 2);
    ASSERT_TRUE(table.appendRecord("1.2.3", "public", ""));
    RunState run;
    RecordingQuery recorder{table, run};
    FakeHost host;
    ScriptedInteraction ui;
    ui.answerNext(Answer::Cancel);
    acquireAll(table, true, run, ui, host, recorder.query(), kQuick);
    EXPECT_TRUE(recorder.order.empty());
    EXPECT_EQ(host.progressShown, 0);
    EXPECT_EQ(host.refreshes, 1);
    EXPECT_EQ(host.saves, 1);
    EXPECT_EQ(run.runState.load(), kRunEnded);
}

TEST(AcquisitionRun, NoUsableAddressStopsBeforeAnyThread) {
    for (bool empty : {true, false}) {
        PrinterTable table;
        if (!empty) {
            ASSERT_TRUE(table.appendRecord("0.0.0.0", "public", ""));
        }
        RunState run;
        RecordingQuery recorder{table, run};
        FakeHost host;
        ScriptedInteraction ui;
        acquireAll(table, false, run, ui, host, recorder.query(), kQuick);
        ASSERT_EQ(ui.texts(), std::vector<std::string>{"有効なＩＰアドレスの指定がありません。処理を中止します。"});
        EXPECT_EQ(ui.shown[0].buttons, MessageButtons::Ok);
        EXPECT_EQ(host.progressShown, 0);
        EXPECT_EQ(host.refreshes, 1);
        EXPECT_TRUE(table.modified());
    }
}

TEST(AcquisitionRun, MarkedRowsThatAreAllInvalidRunNothingAfterOk) {
    PrinterTable table;
    addRows(table, 1);
    ASSERT_TRUE(table.appendRecord("300.1.1.1", "public", ""));
    table.markForAcquisition({2});
    RunState run;
    RecordingQuery recorder{table, run};
    FakeHost host;
    ScriptedInteraction ui;
    acquisitionRun(table, false, run, ui, host, recorder.query(), kQuick);
    EXPECT_EQ(host.progressShown, 1);
    EXPECT_EQ(run.totalCount.load(), 0);
    EXPECT_TRUE(recorder.order.empty());
}

namespace {

// The progress dialog's side of the hand-shake: Cancel once the first printer is done, then the
// answer to the question at the batch end.
std::function<void(RunState&)> cancelAfterFirstDone(bool confirm, int* doneWhenAsked) {
    return [confirm, doneWhenAsked](RunState& run) {
        while (run.doneCount.load() == 0 && run.runState.load() != kRunEnded) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        int going = kRunGoing;
        if (!run.runState.compare_exchange_strong(going, kRunCancelPressed)) {
            return;
        }
        while (run.runState.load() == kRunCancelPressed) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_EQ(run.runState.load(), kRunWaitingForUser);
        *doneWhenAsked = run.doneCount.load();
        run.runState.store(confirm ? kRunCancelled : kRunGoing);
    };
}

} // namespace

TEST(AcquisitionRun, ACancelConfirmedDuringTheFirstBatchEndsTheRunAtItsEnd) {
    PrinterTable table;
    addRows(table, 25);
    table.slot(24).model.set("before the run");
    RunState run;
    RecordingQuery recorder{table, run};
    FakeHost host;
    int doneWhenAsked = -1;
    host.user = cancelAfterFirstDone(true, &doneWhenAsked);
    ScriptedInteraction ui;
    acquireAll(table, false, run, ui, host, recorder.query(), kQuick);

    // The first batch ran to its end; the rows after it keep what they had.
    EXPECT_EQ(recorder.order.size(), 10u);
    EXPECT_EQ(doneWhenAsked, 10);
    EXPECT_EQ(table.slot(9).model.view(), "queried");
    EXPECT_EQ(table.slot(10).model.view(), "");
    EXPECT_EQ(table.slot(24).model.view(), "before the run");
    EXPECT_EQ(run.runState.load(), kRunEnded);
    EXPECT_EQ(host.refreshes, 1);
}

TEST(AcquisitionRun, ACancelAnsweredNoGoesOnWithTheNextBatch) {
    PrinterTable table;
    addRows(table, 25);
    RunState run;
    RecordingQuery recorder{table, run};
    FakeHost host;
    int doneWhenAsked = -1;
    host.user = cancelAfterFirstDone(false, &doneWhenAsked);
    ScriptedInteraction ui;
    acquireAll(table, false, run, ui, host, recorder.query(), kQuick);
    EXPECT_EQ(doneWhenAsked, 10);
    EXPECT_EQ(recorder.order.size(), 25u);
    EXPECT_EQ(run.runState.load(), kRunEnded);
}
