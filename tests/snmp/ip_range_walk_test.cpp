#include "base/cp932.h"
#include "inventory/printer_table.h"
#include "settings/app_settings.h"
#include "snmp/acquisition_run.h"
#include "snmp/ip_range_walk.h"
#include "snmp/run_state.h"
#include "snmp/snmp_get.h"
#include "snmp/status_query.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/snmpsim_agent.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

using namespace sorpex;
using namespace sorpex::test;

namespace {

constexpr std::uint32_t ip(unsigned a, unsigned b, unsigned c, unsigned d) {
    return a << 24 | b << 16 | c << 8 | d;
}

const char* const kLimitText = "件数が上限を超えています。範囲内で処理します。";

std::vector<std::string> addresses(const PrinterTable& table) {
    std::vector<std::string> texts;
    for (int i = 0; table.slot(i).id != kTerminatorId; ++i) {
        texts.push_back(table.slot(i).ipAddress.str());
    }
    return texts;
}

void fillTable(PrinterTable& table, int rows) {
    for (int i = 0; i < rows; ++i) {
        ASSERT_TRUE(
            table.appendRecord("10.1." + std::to_string(i / 200) + "." + std::to_string(i % 200 + 1), "public", ""));
    }
}

} // namespace

TEST(RangeRefusal, NamesTheFirstProblemInTheDialogsOrder) {
    auto refusal = [](std::uint32_t start, std::uint32_t end) { return cp932::toUtf8(rangeRefusal({start, end})); };
    EXPECT_EQ(refusal(0, ip(10, 0, 0, 1)), "IPアドレスを入力してください");
    EXPECT_EQ(refusal(ip(10, 0, 0, 1), 0), "IPアドレスを入力してください");
    // A bad last octet is named before the order of the two.
    EXPECT_EQ(refusal(ip(10, 0, 1, 0), ip(10, 0, 0, 5)), "IPアドレスの最後が 0 または 255 は使用できません");
    EXPECT_EQ(refusal(ip(10, 0, 0, 1), ip(10, 0, 1, 255)), "IPアドレスの最後が 0 または 255 は使用できません");
    EXPECT_EQ(refusal(ip(10, 0, 1, 1), ip(10, 0, 0, 254)), "開始IPアドレスより終了IPアドレスを大きくしてください");
    // Compared as unsigned numbers: 200.x is above 10.x.
    EXPECT_EQ(refusal(ip(200, 0, 0, 1), ip(10, 0, 0, 1)), "開始IPアドレスより終了IPアドレスを大きくしてください");
    EXPECT_EQ(refusal(ip(10, 0, 0, 1), ip(200, 0, 0, 1)), "");
    EXPECT_EQ(refusal(ip(10, 0, 0, 7), ip(10, 0, 0, 7)), "");
}

TEST(RangeWalk, CrossingAnOctetSkipsTheAddressesEndingInZeroAnd255) {
    PrinterTable table;
    ScriptedInteraction ui;
    RangeWalk walk = addRangeRows(table, {ip(127, 0, 4, 250), ip(127, 0, 5, 5)}, ui);
    EXPECT_EQ(walk.added, 10);
    EXPECT_FALSE(walk.full);
    EXPECT_EQ(addresses(table),
              (std::vector<std::string>{"127.0.4.250", "127.0.4.251", "127.0.4.252", "127.0.4.253", "127.0.4.254",
                                        "127.0.5.1", "127.0.5.2", "127.0.5.3", "127.0.5.4", "127.0.5.5"}));
    for (int i = 0; i < 10; ++i) {
        const PrinterRecord& row = table.slot(i);
        EXPECT_EQ(row.id, i + 1);
        EXPECT_EQ(row.community.view(), "public");
        EXPECT_TRUE(row.comment.empty());
        EXPECT_EQ(row.fromRange, 1);
        EXPECT_EQ(row.acquire, 1);
    }
    EXPECT_TRUE(ui.shown.empty());
}

TEST(RangeWalk, RowsAlreadyThereAreMarkedAndNothingElseOfThemChanges) {
    PrinterTable table;
    ASSERT_TRUE(table.appendRecord("10.0.0.1", "public", "outside"));
    ASSERT_TRUE(table.appendRecord("127.0.4.3", "private", "known"));
    ASSERT_TRUE(table.appendRecord("127.0.4.30", "public", "outside too"));
    table.slot(0).acquire = 1; // left over from an earlier run
    table.slot(1).id = 7;      // ids need not follow the slots
    ScriptedInteraction ui;
    RangeWalk walk = addRangeRows(table, {ip(127, 0, 4, 2), ip(127, 0, 4, 4)}, ui);
    EXPECT_EQ(walk.added, 2);
    EXPECT_EQ(walk.marked, 1);
    EXPECT_EQ(addresses(table),
              (std::vector<std::string>{"10.0.0.1", "127.0.4.3", "127.0.4.30", "127.0.4.2", "127.0.4.4"}));
    EXPECT_EQ(table.slot(0).acquire, 0);
    EXPECT_EQ(table.slot(1).acquire, 1);
    EXPECT_EQ(table.slot(1).fromRange, 0);
    EXPECT_EQ(table.slot(1).id, 7);
    EXPECT_EQ(table.slot(1).community.view(), "private");
    EXPECT_EQ(table.slot(2).acquire, 0);
    // New rows are numbered by their slot.
    EXPECT_EQ(table.slot(3).id, 4);
    EXPECT_EQ(table.slot(4).id, 5);
}

TEST(RangeWalk, AFullTableTakesWhatFitsAndSaysSoOnce) {
    PrinterTable table;
    fillTable(table, 1018);
    ASSERT_TRUE(table.appendRecord("127.0.4.2", "public", ""));
    ASSERT_TRUE(table.appendRecord("127.0.4.9", "public", ""));
    ScriptedInteraction ui;
    RangeWalk walk = addRangeRows(table, {ip(127, 0, 4, 1), ip(127, 0, 4, 20)}, ui);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kLimitText});
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.shown[0].buttons, MessageButtons::Ok);
    EXPECT_TRUE(walk.full);
    EXPECT_EQ(walk.added, 3);
    EXPECT_EQ(table.terminatorSlot(), PrinterTable::kMaxRows);
    EXPECT_EQ(table.slot(1020).ipAddress.view(), "127.0.4.1");
    EXPECT_EQ(table.slot(1021).ipAddress.view(), "127.0.4.3");
    EXPECT_EQ(table.slot(1022).ipAddress.view(), "127.0.4.4");
    // Before the stop the walk marks; after it, nothing.
    EXPECT_EQ(table.slot(1018).acquire, 1);
    EXPECT_EQ(table.slot(1019).acquire, 0);
}

TEST(RangeWalk, AFullTableStillMarksUntilItWouldHaveToAdd) {
    PrinterTable table;
    ASSERT_TRUE(table.appendRecord("127.0.4.1", "public", ""));
    fillTable(table, PrinterTable::kMaxRows - 2);
    ASSERT_TRUE(table.appendRecord("127.0.4.3", "public", ""));
    ScriptedInteraction ui;
    RangeWalk walk = addRangeRows(table, {ip(127, 0, 4, 1), ip(127, 0, 4, 3)}, ui);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kLimitText});
    EXPECT_EQ(walk.added, 0);
    EXPECT_EQ(walk.marked, 1);
    EXPECT_EQ(table.slot(0).acquire, 1);
    EXPECT_EQ(table.slot(PrinterTable::kMaxRows - 1).acquire, 0);
    EXPECT_EQ(table.terminatorSlot(), PrinterTable::kMaxRows);
}

TEST(RangeWalk, TheWholeAddressSpaceStopsAtTheLimit) {
    PrinterTable table;
    ScriptedInteraction ui;
    RangeWalk walk = addRangeRows(table, {ip(0, 0, 0, 1), ip(255, 255, 255, 254)}, ui);
    EXPECT_EQ(walk.added, PrinterTable::kMaxRows);
    EXPECT_EQ(ui.shown.size(), 1u);
    EXPECT_EQ(table.slot(0).ipAddress.view(), "0.0.0.1");
    EXPECT_EQ(table.slot(254).ipAddress.view(), "0.0.1.1");
}

TEST(RangeCutOff, EndsTheTableAtTheFirstRowNeverQueried) {
    PrinterTable table;
    for (const char* address : {"10.0.0.1", "10.0.0.2", "10.0.0.3", "10.0.0.4", "10.0.0.5", "10.0.0.6"}) {
        ASSERT_TRUE(table.appendRecord(address, "public", ""));
    }
    table.slot(1).id = 0;        // dropped by its query
    table.slot(3).fromRange = 1; // never queried
    table.slot(4).fromRange = 0; // behind it: goes with it
    table.slot(5).fromRange = 1;
    cutOffUnqueried(table);
    EXPECT_EQ(addresses(table), (std::vector<std::string>{"10.0.0.1", "10.0.0.3"}));
    EXPECT_EQ(table.slot(0).id, 1);
    EXPECT_EQ(table.slot(1).id, 2);
}

TEST(AcquireRange, RunsWithTheRangeModeAndCutsOffAfterTheRun) {
    PrinterTable table;
    ASSERT_TRUE(table.appendRecord("10.0.0.1", "public", "kept"));
    RunState run;
    ScriptedInteraction ui;
    std::vector<std::string> seenByRun;
    bool rangeModeInRun = false;
    RangeWalk walk = acquireRange(table, {ip(127, 0, 4, 1), ip(127, 0, 4, 4)}, run, ui, [&] {
        rangeModeInRun = run.rangeMode.load();
        // What the automatic save of the run writes: every row of the walk.
        seenByRun = addresses(table);
        // The queries of the first two rows of the range: one answered, one dropped.
        table.slot(1).fromRange = 0;
        table.slot(2).fromRange = 0;
        table.slot(2).id = 0;
    });
    EXPECT_EQ(walk.added, 4);
    EXPECT_TRUE(rangeModeInRun);
    EXPECT_FALSE(run.rangeMode.load());
    EXPECT_EQ(seenByRun.size(), 5u);
    EXPECT_EQ(addresses(table), (std::vector<std::string>{"10.0.0.1", "127.0.4.1"}));
    EXPECT_EQ(table.slot(1).id, 2);
}
