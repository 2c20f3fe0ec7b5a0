#include "snmp/acquisition_run.h"

#include "inventory/printer_table.h"
#include "snmp/run_state.h"
#include "tests/support/scripted_interaction.h"

#include <algorithm>
#include <atomic>
#include <functional>
#include <gtest/gtest.h>
#include <mutex>
#include <numeric>
#include <set>
#include <thread>

using namespace sorpex;
using sorpex::test::ScriptedInteraction;

namespace {

const BatchTiming kQuick{std::chrono::milliseconds(1), std::chrono::milliseconds(1), std::chrono::milliseconds(1)};

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
    bool runWithProgress(RunState& run, const std::function<void()>& batches, const ThreadStarter& start) override {
        ++progressShown;
        std::thread worker = start(batches);
        if (!worker.joinable()) {
            return false;
        }
        if (user) {
            user(run);
        }
        worker.join();
        return true;
    }
    void refreshList() override { ++refreshes; }
    void autoSave() override { ++saves; }
};

// A query that records what it was asked, on which thread, how many ran at once, and when.
struct RecordingQuery {
    RecordingQuery(PrinterTable& table, RunState& run) : table(table), run(run) {}

    PrinterTable& table;
    RunState& run;
    std::function<std::chrono::milliseconds(int slot)> work = [](int) { return std::chrono::milliseconds(20); };
    std::mutex mutex;
    std::vector<int> order;
    std::set<int> finished;
    std::set<std::thread::id> threads;
    std::atomic<int> active{0};
    std::atomic<int> mostAtOnce{0};
    std::atomic<int> startedBeforeEarlierBatchEnded{0};
    // Row 0 is the slow one of a wide run: how many others finished while it ran.
    std::atomic<bool> slowRowDone{false};
    int finishedWhileSlowRowRan = 0;

    PrinterQuery query() {
        return [this](int slot) {
            {
                std::lock_guard lock(mutex);
                order.push_back(slot);
                threads.insert(std::this_thread::get_id());
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
            std::this_thread::sleep_for(work(slot));
            table.slot(slot).model.set("queried");
            --active;
            if (slot == 0) {
                slowRowDone = true;
            }
            {
                std::lock_guard lock(mutex);
                finished.insert(slot);
                if (slot != 0 && !slowRowDone) {
                    ++finishedWhileSlowRowRan;
                }
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

TEST(AcquisitionRun, AWideRunKeepsItsWindowFullAndNeverWaitsForTheSlowest) {
    PrinterTable table;
    addRows(table, 120);
    table.markForAcquisition();
    table.slot(7).acquire = 0;
    table.slot(7).model.set("not marked");
    RunState run;
    RecordingQuery recorder{table, run};
    // The first row is as slow as a silent printer; the others answer at once.
    recorder.work = [](int slot) { return std::chrono::milliseconds(slot == 0 ? 600 : 5); };
    FakeHost host;
    ScriptedInteraction ui;
    BatchTiming timing = kQuick;
    timing.parallel = 16;
    acquisitionRun(table, false, run, ui, host, recorder.query(), timing);

    // Every marked row once; the others were taken up while the slow one ran.
    std::vector<int> asked = recorder.order;
    std::sort(asked.begin(), asked.end());
    ASSERT_EQ(asked.size(), 119u);
    EXPECT_TRUE(std::adjacent_find(asked.begin(), asked.end()) == asked.end());
    EXPECT_EQ(std::count(asked.begin(), asked.end(), 7), 0);
    EXPECT_EQ(recorder.finishedWhileSlowRowRan, 118);
    EXPECT_EQ(table.slot(7).model.view(), "not marked");
    EXPECT_EQ(table.slot(119).scratch, 119);
    // No thread beyond the window, and the window was used.
    EXPECT_LE(recorder.threads.size(), 16u);
    EXPECT_LE(recorder.mostAtOnce.load(), 16);
    EXPECT_GE(recorder.mostAtOnce.load(), 11);
    EXPECT_EQ(run.doneCount.load(), 119);
    EXPECT_EQ(run.runState.load(), kRunEnded);
}

TEST(AcquisitionRun, ACancelInAWideRunIsAskedAtOnceAndStartsNothingMore) {
    for (bool confirm : {true, false}) {
        PrinterTable table;
        addRows(table, 100);
        table.slot(99).model.set("before the run");
        RunState run;
        RecordingQuery recorder{table, run};
        recorder.work = [](int) { return std::chrono::milliseconds(40); };
        FakeHost host;
        int doneWhenAsked = -1;
        int startedWhenAsked = -1;
        int startedWhenAnswered = -1;
        auto started = [&] {
            std::lock_guard lock(recorder.mutex);
            return static_cast<int>(recorder.order.size());
        };
        host.user = [&](RunState& state) {
            while (state.doneCount.load() < 20) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            state.runState.store(kRunCancelPressed);
            while (state.runState.load() == kRunCancelPressed) {
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            }
            ASSERT_EQ(state.runState.load(), kRunWaitingForUser);
            doneWhenAsked = state.doneCount.load();
            startedWhenAsked = started();
            // The user takes a while: the rows in flight finish meanwhile, and no other starts.
            std::this_thread::sleep_for(std::chrono::milliseconds(150));
            startedWhenAnswered = started();
            EXPECT_EQ(state.doneCount.load(), startedWhenAnswered);
            state.runState.store(confirm ? kRunCancelled : kRunGoing);
        };
        ScriptedInteraction ui;
        BatchTiming timing = kQuick;
        timing.parallel = 16;
        acquireAll(table, false, run, ui, host, recorder.query(), timing);

        // Asked while printers were still in flight, not at the end of a batch of them.
        EXPECT_LT(doneWhenAsked, startedWhenAsked);
        EXPECT_LT(startedWhenAnswered, 100);
        if (confirm) {
            EXPECT_EQ(started(), startedWhenAnswered);
            EXPECT_EQ(run.doneCount.load(), startedWhenAnswered);
            // The rows asked are the first ones of the table, each filled; the rest are untouched.
            for (int slot = 0; slot < 100; ++slot) {
                std::string_view expected =
                    slot < startedWhenAnswered ? "queried" : (slot == 99 ? "before the run" : "");
                EXPECT_EQ(table.slot(slot).model.view(), expected) << slot;
            }
        } else {
            EXPECT_EQ(started(), 100);
            EXPECT_EQ(table.slot(99).model.view(), "queried");
        }
        EXPECT_EQ(run.runState.load(), kRunEnded);
    }
}

// Threads refused by the system: a worker that cannot start waits for those running and is tried
// again, so no row is lost; when none can start, the rest are not asked, kept as they were, and
// the run still ends (done equals total) with its message. Call 0 starts the host's thread.
TEST(AcquisitionRun, AWorkerThatCannotStartLosesNoRowAndNoneAtAllEndsWithAMessage) {
    struct Case {
        int parallel;
        std::function<bool(int call)> refused;
        int asked;
    };
    const Case cases[] = {
        {10, [](int call) { return call > 0 && call % 3 == 0; }, 25},
        {64, [](int call) { return call > 5; }, 25},
        {10, [](int call) { return call > 2; }, 2},
        {10, [](int call) { return call > 0; }, 0},
        {64, [](int call) { return call > 0; }, 0},
        {10, [](int call) { return call == 0; }, 0},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.parallel);
        PrinterTable table;
        addRows(table, 25);
        table.slot(24).model.set("before the run");
        RunState run;
        RecordingQuery recorder{table, run};
        recorder.work = [](int) { return std::chrono::milliseconds(5); };
        FakeHost host;
        ScriptedInteraction ui;
        BatchTiming timing = kQuick;
        timing.parallel = c.parallel;
        std::atomic<int> calls{0};
        timing.start = [&](std::function<void()> body) {
            return c.refused(calls++) ? std::thread() : std::thread(std::move(body));
        };
        acquireAll(table, false, run, ui, host, recorder.query(), timing);

        std::sort(recorder.order.begin(), recorder.order.end());
        std::vector<int> asked(static_cast<std::size_t>(c.asked));
        std::iota(asked.begin(), asked.end(), 0);
        EXPECT_EQ(recorder.order, asked);
        std::vector<int> notAsked(static_cast<std::size_t>(25 - c.asked));
        std::iota(notAsked.begin(), notAsked.end(), c.asked);
        EXPECT_EQ(run.notAsked, notAsked);
        EXPECT_EQ(run.doneCount.load(), 25);
        EXPECT_EQ(run.runState.load(), kRunEnded);
        EXPECT_EQ(table.slot(24).model.view(), c.asked == 25 ? "queried" : "before the run");
        if (c.asked == 25) {
            EXPECT_TRUE(ui.shown.empty());
        } else {
            ASSERT_EQ(ui.texts(), std::vector<std::string>{"資源不足のため、" + std::to_string(25 - c.asked) +
                                                           " 件のプリンタに問い合わせできませんでした。"});
        }
        EXPECT_EQ(host.busyOff, 1);
    }
}
