#include "snmp/supplies.h"

#include "base/cp932.h"
#include "tests/snmp/printer_agents.h"

#include <functional>
#include <gtest/gtest.h>
#include <string>
#include <vector>

using namespace sorpex;
using namespace sorpex::test;

namespace {

std::string sjis(const char* utf8) {
    return cp932::fromUtf8(utf8);
}

} // namespace

TEST(Supplies, OnlyConsumedOrUnclassedRowsWithAPercentCountForTheLowest) {
    // class 1 (other) and 4 (a waste box) never count; an answer that is no number is unknown.
    std::vector<SupplyRow> rows = {{"other", 1, 100, 1, {}},
                                   {"waste", kReceptacleThatIsFilled, 100, 0, {}},
                                   {"no class", answerInteger("Not Support"), 100, 57, {}},
                                   {"toner", kSupplyThatIsConsumed, 3, 2, {}},
                                   {"huge", 3, 1, answerInteger("99999999999999999999"), {}}};
    EXPECT_EQ(lowestSupplyPercent(rows), 57);
    EXPECT_EQ(suppliesText(rows), sjis("other:1%; waste:0%; no class:57%; toner:66%; huge:不明"));
    EXPECT_EQ(lowestSupplyPercent({rows[0], rows[1], rows[4]}), kNoSupplyPercent);
    EXPECT_EQ(answerInteger("-3"), -3);
    EXPECT_FALSE(answerInteger("").has_value());
    EXPECT_FALSE(answerInteger("12 pages").has_value());
}

TEST(Supplies, WithoutAClassTheWasteTypesFillUpAndDoNotCount) {
    std::vector<SupplyRow> rows;
    for (long long waste : {4, 8, 14, 24, 26}) {
        rows.push_back({"waste", std::nullopt, 100, 3, waste});
    }
    rows.push_back({"toner", std::nullopt, 100, 57, 3});
    rows.push_back({"classed waste type", kSupplyThatIsConsumed, 100, 40, 4});
    EXPECT_EQ(lowestSupplyPercent(rows), 40);
    rows.pop_back();
    EXPECT_EQ(lowestSupplyPercent(rows), 57);
}

TEST(Supplies, TheTextHoldsOnlyWholeEntries) {
    // "<a × n>:10%" then "; b:40%": 1023 bytes hold both when n is 1012.
    const std::pair<std::size_t, std::size_t> cases[] = {{1012, 1023}, {1013, 1017}, {1020, 0}};
    for (auto [first, length] : cases) {
        const std::string text = suppliesText({{std::string(first, 'a'), 3, 10, 1, {}}, {"b", 3, 10, 4, {}}});
        EXPECT_EQ(text.size(), length) << first;
        EXPECT_TRUE(text.empty() || text.back() == '%') << first;
    }
}

namespace {

constexpr std::string_view kDescriptions = printer_oid::kSupplyDescription;

std::string row(int index) {
    return std::string(kDescriptions) + ".1." + std::to_string(index);
}

// The row a GETNEXT asked after: 0 for the column itself.
int rowAsked(std::string_view oid) {
    return oid.size() > kDescriptions.size() + 3 ? std::stoi(std::string(oid.substr(kDescriptions.size() + 3))) : 0;
}

// An agent whose GETNEXT after row n (0: the column) names `next(n)` and describes it as "Ink";
// every row has class `supplyClass`, type 4 (waste toner), maximum 100 and its index as its level.
struct WalkedAgent {
    std::function<std::string(int)> next;
    std::string supplyClass = "3";
    int requests = 0;

    SnmpTransport transport() {
        SnmpTransport t;
        t.get = [this](std::string_view, std::string_view, std::string_view oid, std::string& out) {
            ++requests;
            const bool isClass = oid.substr(0, printer_oid::kSupplyClass.size()) == printer_oid::kSupplyClass;
            const bool isMax = oid.substr(0, printer_oid::kSupplyMaxCapacity.size()) == printer_oid::kSupplyMaxCapacity;
            const bool isType = oid.substr(0, printer_oid::kSupplyType.size()) == printer_oid::kSupplyType;
            out = isClass ? supplyClass : isMax ? "100" : isType ? "4" : std::string(oid.substr(oid.rfind('.') + 1));
            return kSnmpAnswered;
        };
        t.getNext = [this](std::string_view, std::string_view, std::string_view oid, std::string& name,
                           std::string& out) {
            ++requests;
            name = next(rowAsked(oid));
            out = "Ink";
            return kSnmpAnswered;
        };
        return t;
    }
};

} // namespace

TEST(SuppliesWalk, StopsAtTheRowCapOrAtTheFirstAnswerThatIsNotAfterTheOneAsked) {
    struct Case {
        const char* what;
        std::function<std::string(int)> next;
        const char* text;
        int requests; // the serial's GET included
    };
    const Case cases[] = {
        {"the same row again", [](int) { return row(7); }, "Ink:7%", 6},
        {"a row before", [](int n) { return row(n == 0 ? 7 : n - 1); }, "Ink:7%", 6},
        {"the column itself", [](int n) { return n == 0 ? row(7) : std::string(kDescriptions) + ".1"; }, "Ink:7%", 6},
        {"9 then 10 (numbers, not texts)",
         [](int n) { return n == 0   ? row(9)
                            : n == 9 ? row(10)
                                     : std::string(".1.4"); }, "Ink:9%; Ink:10%", 10},
    };
    for (const Case& c : cases) {
        WalkedAgent agent{c.next};
        PrinterRecord record;
        askSupplies(record, agent.transport());
        EXPECT_EQ(record.supplies.view(), c.text) << c.what;
        EXPECT_EQ(agent.requests, c.requests) << c.what;
    }
    WalkedAgent endless{[](int n) { return row(n + 1); }};
    PrinterRecord record;
    askSupplies(record, endless.transport());
    EXPECT_EQ(endless.requests, 1 + 4 * static_cast<int>(kMaxSupplyRows)) << "no 33rd GETNEXT";
    EXPECT_EQ(record.lowestSupply, 1);
    const std::string text(record.supplies.view());
    EXPECT_EQ(text.substr(text.size() - 9), "; Ink:32%") << text;

    WalkedAgent classless{[](int n) { return n < 2 ? row(n + 1) : std::string(".1.4"); }, "Not Support"};
    askSupplies(record, classless.transport());
    EXPECT_EQ(classless.requests, 1 + 2 * 5 + 1) << "the type is asked after the missing class";
    EXPECT_EQ(record.supplies.view(), "Ink:1%; Ink:2%");
    EXPECT_EQ(record.lowestSupply, kNoSupplyPercent) << "waste toner fills up";
}
TEST_F(StatusQueryAgainstAgents, SerialAndSuppliesOfOurRecordings) {
    PrinterRecord none = query("127.0.2.1", withSupplies());
    EXPECT_EQ(none.model.view(), "PALIVOX LP-9000");
    EXPECT_EQ(none.alertDescription.view(), std::string(126, 'A')) << "the usual objects come first";
    EXPECT_EQ(none.serialNumber.view(), "") << "the agent lacks it";
    EXPECT_EQ(none.lowestSupply, kNoSupplyPercent);
    EXPECT_EQ(none.supplies.view(), "");

    PrinterRecord one = query("127.0.2.31", withSupplies());
    EXPECT_EQ(one.supplies.view(), sjis("Toner:不明")) << "level -2";
    EXPECT_EQ(one.lowestSupply, kNoSupplyPercent);

    // Max 0 and -2, level -3, a class missing, a waste box emptier than every toner, the walk
    // leaving the descriptions for the next column.
    PrinterRecord five = query("127.0.2.32", withSupplies());
    EXPECT_EQ(five.serialNumber.view(), "SN-5-0001");
    EXPECT_EQ(five.supplies.view(), sjis("Black Toner:40%; シアン　トナー:不明; Magenta Toner:32%; "
                                         "Yellow<0x01>Toner:残あり; Waste Toner Box:1%"));
    EXPECT_EQ(five.lowestSupply, 32);

    // 40 rows: 32 are asked (the 35th, at 1 %, is not), the text ends with the last entry that
    // fits whole in 1023 bytes, and the serial number is cut within a double-byte character at 255.
    PrinterRecord forty = query("127.0.2.33", withSupplies());
    EXPECT_EQ(forty.serialNumber.view(), std::string(254, 'A'));
    EXPECT_EQ(forty.lowestSupply, 6);
    const std::string text(forty.supplies.view());
    EXPECT_EQ(text.size(), 1018u);
    const std::string head = sjis("消耗品カートリッジ（大容量）01:6%; 消耗品カートリッジ（大容量）02:0%; ");
    const std::string tail = sjis("（大容量）28:100%");
    EXPECT_EQ(text.substr(0, head.size()), head);
    EXPECT_NE(text.find(sjis("（大容量）05:不明; ")), std::string::npos);
    EXPECT_EQ(text.substr(text.size() - tail.size()), tail);
}

TEST_F(StatusQueryAgainstAgents, APrinterSilentInTheWalkKeepsTheRowsItGave) {
    PrinterRecord row = query("127.0.2.34", withSupplies());
    EXPECT_EQ(row.serialNumber.view(), "SN-W");
    EXPECT_EQ(row.supplies.view(), "Toner 1:10%; Toner 2:20%");
    EXPECT_EQ(row.lowestSupply, 10);
    EXPECT_EQ(row.model.view(), "Printer Walk");
}

TEST_F(StatusQueryAgainstAgents, SerialAndSuppliesOfRealPrinterRecordings) {
    if (!sharedRecordingsPresent()) {
        GTEST_SKIP() << "no recordings of real printers in " << sharedRecordingDir();
    }
    struct Expected {
        const char* serial;
        int lowest;
        const char* supplies;
    };
    const Expected expected[] = {
        {"", 68, "Black Toner Cartridge:不明; Black Toner Cartridge:残あり; Drum Unit:68%"},
        {"X3B8022793", 1,
         "Black Ink Supply Unit T9441/T9451/T9461:1%; Cyan Ink Supply Unit T9442/T9452:1%; "
         "Magenta Ink Supply Unit T9443/T9453:1%; Yellow Ink Supply Unit T9444/T9454:1%"},
        {"AA2M021115700", 76,
         "Toner (Cyan):76%; Toner (Magenta):78%; Toner (Yellow):77%; Toner (Black):86%; Waste Toner Box:残あり"},
        {"W492KB03439", 20, "Black Toner:40%; Waste Toner:100%; Cyan Toner:20%; Magenta Toner:50%; Yellow Toner:50%"},
        {"6509415X00", 19,
         "Cyan Toner:55%; Magenta Toner:19%; Yellow Toner:40%; Black Toner:34%; Waste Toner:不明; "
         "Cyan Photoconductive Drum:81%; Magenta Photoconductive Drum:81%; Yellow Photoconductive Drum:81%; "
         "Black Photoconductive Drum:95%; Cyan Developer:91%; Magenta Developer:91%; Yellow Developer:91%; "
         "Black Developer:74%; Fusing Unit:不明"},
        {"", kNoSupplyPercent, ""},
    };
    for (std::size_t i = 0; i < std::size(kSharedRecordings); ++i) {
        PrinterRecord row = query(sharedAgent(kSharedRecordings[i]), withSupplies());
        EXPECT_EQ(row.serialNumber.view(), expected[i].serial) << kSharedRecordings[i];
        EXPECT_EQ(row.lowestSupply, expected[i].lowest) << kSharedRecordings[i];
        EXPECT_EQ(row.supplies.view(), sjis(expected[i].supplies)) << kSharedRecordings[i];
    }
}
