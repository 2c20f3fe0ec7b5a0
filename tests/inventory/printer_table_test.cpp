#include "inventory/printer_table.h"

#include "base/cp932.h"
#include "tests/support/scripted_interaction.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <vector>

using namespace sorpex;
using namespace sorpex::test;

namespace {

std::unique_ptr<PrinterTable> tableWithRows(int rows) {
    auto table = std::make_unique<PrinterTable>();
    for (int i = 1; i <= rows; ++i) {
        table->appendRecord("10.0.0." + std::to_string(i), "public", "row" + std::to_string(i));
    }
    table->setModified(false);
    return table;
}

// The live rows as "id:comment", in table order.
std::vector<std::string> rows(const PrinterTable& table) {
    std::vector<std::string> result;
    for (int i = 0, end = table.terminatorSlot(); i < end; ++i) {
        if (table.slot(i).id != kEmptySlotId) {
            result.push_back(std::to_string(table.slot(i).id) + ":" + table.slot(i).comment.str());
        }
    }
    return result;
}

std::vector<std::string> column(const PrinterTable& table, RecordText PrinterRecord::*field) {
    std::vector<std::string> result;
    for (int i = 0, end = table.terminatorSlot(); i < end; ++i) {
        result.push_back((table.slot(i).*field).str());
    }
    return result;
}

} // namespace

TEST(FixedText, CutsToItsWidthWithoutSplittingADoubleByteCharacter) {
    FixedText<6> text;
    EXPECT_FALSE(text.set("abcdefgh"));
    EXPECT_EQ(text.view(), "abcde");
    // Four bytes of ASCII, then a two-byte character that would need bytes 5 and 6.
    std::string kana = "abcd" + cp932::fromUtf8("ア");
    EXPECT_FALSE(text.set(kana));
    EXPECT_EQ(text.view(), "abcd");
    EXPECT_TRUE(text.set(std::string("ab\0cd", 5)));
    EXPECT_EQ(text.view(), "ab");
    EXPECT_TRUE(text.set(std::string_view())); // a view without data (the sanitizers watch)
    EXPECT_TRUE(text.empty());
    EXPECT_TRUE(FixedText<6>::fits("abcde"));
    EXPECT_FALSE(FixedText<6>::fits("abcdef"));
}

TEST(PrinterTable, StartsEmptyAndNumbersFromOne) {
    PrinterTable table;
    EXPECT_EQ(table.terminatorSlot(), 0);
    EXPECT_EQ(table.nextId(), 1);
    EXPECT_FALSE(table.modified());
    table.sortByColumn(0, false);
    EXPECT_EQ(table.terminatorSlot(), 0);
    EXPECT_TRUE(table.modified()) << "every sort sets modified, even one that changes nothing";
}

TEST(PrinterTable, AcceptsThe1023rdRowAndRefusesThe1024th) {
    auto table = tableWithRows(1022);
    ASSERT_TRUE(table->appendRecord("10.0.4.1", "public", "last"));
    EXPECT_TRUE(table->modified());
    EXPECT_EQ(table->terminatorSlot(), PrinterTable::kMaxRows);
    EXPECT_EQ(table->slot(1022).id, 1023);
    EXPECT_TRUE(table->isFull());

    table->setModified(false);
    EXPECT_FALSE(table->appendRecord("10.0.4.2", "public", "one too many"));
    EXPECT_FALSE(table->modified());
    EXPECT_EQ(table->rowCount(), 1023);
    EXPECT_EQ(table->slot(1023).id, kTerminatorId);
    EXPECT_EQ(table->slot(1022).comment.view(), "last");
}

TEST(PrinterTable, AppendedTextsAreCutToTheirFields) {
    PrinterTable table;
    ASSERT_TRUE(table.appendRecord(std::string(40, '1'), std::string(300, 'c'), std::string(2000, 'x')));
    EXPECT_EQ(table.slot(0).ipAddress.view().size(), 19u);
    EXPECT_EQ(table.slot(0).community.view().size(), 255u);
    EXPECT_EQ(table.slot(0).comment.view().size(), 1023u);
}

TEST(PrinterTable, NextIdFollowsTheLargestIdNotTheRowCount) {
    auto table = tableWithRows(3);
    table->slot(1).id = 7; // ids after moves and sorts are in any order
    EXPECT_EQ(table->nextId(), 8);
    ASSERT_TRUE(table->appendRecord("10.0.0.9", "public", "new"));
    EXPECT_EQ(table->slot(3).id, 8);
}

TEST(PrinterTable, FindsAddressesSkippingTheRowBeingChanged) {
    auto table = tableWithRows(3);
    EXPECT_EQ(table->findByIpAddress("10.0.0.2", 0), 1);
    EXPECT_EQ(table->findByIpAddress("10.0.0.2", 2), -1);
    EXPECT_EQ(table->findByIpAddress("10.0.0.2", 3), 1);
    EXPECT_EQ(table->findByIpAddress("10.0.0.20", 0), -1);
}

TEST(PrinterTableDelete, Ids2And4OfFiveLeaveThreeRowsRenumbered) {
    auto table = tableWithRows(5);
    ScriptedInteraction ui;
    EXPECT_EQ(table->deleteRows({2, 4}, ui), 2);
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"1:row1", "2:row3", "3:row5"}));
    EXPECT_EQ(table->terminatorSlot(), 3);
    EXPECT_TRUE(table->modified());

    ASSERT_EQ(ui.shown.size(), 2u);
    EXPECT_EQ(ui.shown[0].text, "以下のプリンタを削除しますか？\n\nID：2\nIPアドレス：10.0.0.2\nコメント：row2");
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Question);
    EXPECT_EQ(ui.shown[0].buttons, MessageButtons::OkCancel);
    // The second question still shows the id the user selected, not the one it will get.
    EXPECT_EQ(ui.shown[1].text, "以下のプリンタを削除しますか？\n\nID：4\nIPアドレス：10.0.0.4\nコメント：row4");
}

TEST(PrinterTableDelete, CancelOnEveryQuestionChangesNothing) {
    auto table = tableWithRows(5);
    ScriptedInteraction ui;
    for (int i = 0; i < 3; ++i) {
        ui.answerNext(Answer::Cancel);
    }
    EXPECT_EQ(table->deleteRows({1, 3, 5}, ui), 0);
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"1:row1", "2:row2", "3:row3", "4:row4", "5:row5"}));
    EXPECT_FALSE(table->modified());
    EXPECT_EQ(ui.shown.size(), 3u);
}

TEST(PrinterTableDelete, ClosesOnlyTheGapOfTheDeletedIdAndKeepsOthers) {
    // IDs 1, 2, 3, 5: deleting 2 moves 3 to 2 and 5 to 4; the old gap at 4 stays.
    auto table = tableWithRows(4);
    table->slot(3).id = 5;
    ScriptedInteraction ui;
    ui.answerNext(Answer::Ok);
    ui.answerNext(Answer::Cancel);
    EXPECT_EQ(table->deleteRows({2, 5}, ui), 1);
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"1:row1", "2:row3", "4:row4"}));
}

TEST(PrinterTableDelete, IgnoresUnknownAndRepeatedIds) {
    auto table = tableWithRows(3);
    int asked = 0;
    int deleted = table->deleteRows({0, 9, 2, 2}, [&](int, const PrinterRecord&) {
        ++asked;
        return true;
    });
    EXPECT_EQ(deleted, 1);
    EXPECT_EQ(asked, 1);
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"1:row1", "2:row3"}));
}

TEST(PrinterTable, CompactAndRenumberDropsEmptySlotsWithoutSettingModified) {
    auto table = tableWithRows(5);
    table->slot(0).id = 0;
    table->slot(3).id = 0;
    table->slot(4).id = 42;
    table->compactAndRenumber();
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"1:row2", "2:row3", "3:row5"}));
    EXPECT_FALSE(table->modified());
}

TEST(PrinterTableMove, FirstRowUpAndLastRowDownDoNothing) {
    auto table = tableWithRows(3);
    EXPECT_FALSE(table->moveUp(1));
    EXPECT_FALSE(table->moveDown(3));
    EXPECT_FALSE(table->moveUp(99));
    EXPECT_FALSE(table->modified());
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"1:row1", "2:row2", "3:row3"}));
}

TEST(PrinterTableMove, RowsTravelWithTheirIdsPastEmptySlots) {
    auto table = tableWithRows(4);
    table->slot(1).id = kEmptySlotId; // a row removed and not compacted yet
    EXPECT_TRUE(table->moveDown(1));
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"3:row3", "1:row1", "4:row4"}));
    EXPECT_TRUE(table->modified());
    table->setModified(false);
    EXPECT_TRUE(table->moveUp(4));
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"3:row3", "4:row4", "1:row1"}));
    EXPECT_TRUE(table->modified());
}

TEST(PrinterTableSort, IdAndStatusGoDescendingTextAscendingUnlessReversed) {
    auto table = tableWithRows(4);
    table->slot(0).ipAddress.set("10.0.0.9");
    table->slot(1).ipAddress.set("10.0.0.10");
    table->slot(2).ipAddress.set("192.168.0.1");
    table->slot(3).ipAddress.set("10.0.0.100");

    table->sortByColumn(static_cast<int>(ListColumn::Id), false);
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"4:row4", "3:row3", "2:row2", "1:row1"}));
    table->sortByColumn(static_cast<int>(ListColumn::Id), true);
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"1:row1", "2:row2", "3:row3", "4:row4"}));

    // Addresses compare as text: 10.0.0.10 before 10.0.0.9.
    table->sortByColumn(static_cast<int>(ListColumn::IpAddress), false);
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"2:row2", "4:row4", "1:row1", "3:row3"}));
    table->sortByColumn(static_cast<int>(ListColumn::IpAddress), true);
    EXPECT_EQ(rows(*table), (std::vector<std::string>{"3:row3", "1:row1", "4:row4", "2:row2"}));

    table->slot(0).printerStatus = 3;
    table->slot(1).printerStatus = 5;
    table->slot(2).printerStatus = 1;
    table->slot(3).printerStatus = 4;
    table->sortByColumn(static_cast<int>(ListColumn::Status), false);
    std::vector<int> statuses;
    for (int i = 0; i < 4; ++i) {
        statuses.push_back(table->slot(i).printerStatus);
    }
    EXPECT_EQ(statuses, (std::vector<int>{5, 4, 3, 1}));
}

TEST(PrinterTableSort, TextColumnsCompareBytesUnsigned) {
    // Shift-JIS lead bytes are above 0x80: Japanese text sorts after ASCII.
    auto table = tableWithRows(3);
    RecordText PrinterRecord::*fields[] = {&PrinterRecord::comment, &PrinterRecord::model, &PrinterRecord::sysName,
                                           &PrinterRecord::sysLocation, &PrinterRecord::sysContact};
    ListColumn columns[] = {ListColumn::Comment, ListColumn::Model, ListColumn::SystemName, ListColumn::SystemLocation,
                            ListColumn::SystemContact};
    const std::string japanese = cp932::fromUtf8("東京");
    for (int k = 0; k < 5; ++k) {
        (table->slot(0).*fields[k]).set(japanese);
        (table->slot(1).*fields[k]).set("Zeta");
        (table->slot(2).*fields[k]).set("Alpha");
        table->sortByColumn(static_cast<int>(columns[k]), false);
        EXPECT_EQ(column(*table, fields[k]), (std::vector<std::string>{"Alpha", "Zeta", japanese})) << k;
        table->sortByColumn(static_cast<int>(columns[k]), true);
        EXPECT_EQ(column(*table, fields[k]), (std::vector<std::string>{japanese, "Zeta", "Alpha"})) << k;
    }
}

TEST(PrinterTableSort, CounterComparesNumbersAsNumbersAndNoRowsAsText) {
    auto table = tableWithRows(6);
    const char* counts[] = {"100", "No Response", "20", "Not Support", "3", ""};
    for (int i = 0; i < 6; ++i) {
        table->slot(i).count.set(counts[i]);
    }
    table->sortByColumn(static_cast<int>(ListColumn::Count), false);
    EXPECT_EQ(column(*table, &PrinterRecord::count),
              (std::vector<std::string>{"", "3", "20", "100", "No Response", "Not Support"}));
    table->sortByColumn(static_cast<int>(ListColumn::Count), true);
    EXPECT_EQ(column(*table, &PrinterRecord::count),
              (std::vector<std::string>{"Not Support", "No Response", "100", "20", "3", ""}));
}

TEST(PrinterTableSort, CounterTextsThatFormNoOrderStillKeepEveryRow) {
    // "abc" < "5" as numbers (0 < 5), "5" < "No" and "No" < "abc" as text: no consistent order
    // exists. The sort must neither lose rows nor leave the table.
    auto table = tableWithRows(PrinterTable::kMaxRows);
    const char* counts[] = {"abc", "5", "No Response", "", "-7", "12x"};
    for (int i = 0; i < PrinterTable::kMaxRows; ++i) {
        table->slot(i).count.set(counts[(i * 7) % 6]);
    }
    for (bool reverse : {false, true}) {
        table->sortByColumn(static_cast<int>(ListColumn::Count), reverse);
        std::vector<bool> seen(PrinterTable::kMaxRows + 1, false);
        for (int i = 0; i < PrinterTable::kMaxRows; ++i) {
            int id = table->slot(i).id;
            ASSERT_TRUE(id >= 1 && id <= PrinterTable::kMaxRows && !seen[static_cast<std::size_t>(id)]);
            seen[static_cast<std::size_t>(id)] = true;
            EXPECT_EQ(table->slot(i).comment.view(), "row" + std::to_string(id));
        }
        EXPECT_EQ(table->terminatorSlot(), PrinterTable::kMaxRows);
    }
}

TEST(PrinterTable, MarkForAcquisitionOfSelectedRowsClearsTheOthers) {
    auto table = tableWithRows(4);
    table->markForAcquisition();
    for (int i = 0; i < 4; ++i) {
        EXPECT_EQ(table->slot(i).acquire, 1);
    }
    table->markForAcquisition({2, 4, 77});
    EXPECT_EQ(table->slot(0).acquire, 0);
    EXPECT_EQ(table->slot(1).acquire, 1);
    EXPECT_EQ(table->slot(2).acquire, 0);
    EXPECT_EQ(table->slot(3).acquire, 1);
}
