#include "snmp/status_query.h"

#include "base/cp932.h"
#include "inventory/printer_table.h"
#include "settings/app_settings.h"
#include "snmp/run_state.h"
#include "snmp/snmp_get.h"
#include "tests/snmp/printer_agents.h"
#include "tests/support/snmpsim_agent.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

using namespace sorpex;
using namespace sorpex::test;
namespace oid = sorpex::printer_oid;

namespace {

const std::vector<std::string_view> kAllObjects = {
    oid::kDeviceDescr,        oid::kMarkerLifeCount, oid::kMarkerLifeCountShort,
    oid::kSysContact,         oid::kSysName,         oid::kSysLocation,
    oid::kSysDescr,           oid::kDeviceStatus,    oid::kPrinterStatus,
    oid::kDetectedErrorState, oid::kAlertDescription};

// A printer played by the test: answers from a map, "Not Support" for anything else (as an
// agent answers an object it lacks), and no answer at all from `silentFrom` on.
struct FakePrinter {
    std::map<std::string_view, std::string> values;
    std::string_view silentFrom;
    int silentResult = kSnmpNoResponse;
    std::vector<std::string> asked;
    bool silent = false;

    SnmpTransport transport() {
        return {[this](std::string_view agent, std::string_view community, std::string_view object, std::string& out) {
                    EXPECT_EQ(agent, "10.0.0.1");
                    EXPECT_EQ(community, "secret");
                    asked.emplace_back(object);
                    silent = silent || object == silentFrom;
                    if (silent) {
                        out = silentResult == kSnmpNoResponse ? "No Response" : "SNMP Open Error";
                        return silentResult;
                    }
                    auto it = values.find(object);
                    out = it != values.end() ? it->second : "Not Support";
                    return kSnmpAnswered;
                },
                {}};
    }
};

struct Queried {
    std::unique_ptr<PrinterTable> table = std::make_unique<PrinterTable>();
    RunState run;
    PrinterRecord& row() { return table->slot(0); }
};

std::unique_ptr<Queried> queryFake(FakePrinter& printer, const AppSettings& settings = AppSettings{},
                                   bool rangeMode = false, int fromRange = 0) {
    auto queried = std::make_unique<Queried>();
    queried->table->appendRecord("10.0.0.1", "secret", "");
    queried->row().fromRange = fromRange;
    queried->run.rangeMode = rangeMode;
    queryPrinter(*queried->table, 0, settings, queried->run, printer.transport());
    EXPECT_EQ(queried->run.doneCount, 1);
    return queried;
}

FakePrinter answeringPrinter() {
    FakePrinter printer;
    printer.values = {{oid::kDeviceDescr, "Printer 3000"},
                      {oid::kMarkerLifeCount, "0"},
                      {oid::kMarkerLifeCountShort, "77"},
                      {oid::kSysContact, "contact"},
                      {oid::kSysName, "name"},
                      {oid::kSysLocation, "location"},
                      {oid::kSysDescr, "descr"},
                      {oid::kDeviceStatus, "2"},
                      {oid::kPrinterStatus, "3"},
                      {oid::kDetectedErrorState, "<0x04>"},
                      {oid::kAlertDescription, std::string(300, 'a')}};
    return printer;
}

void expectNothingAcquiredAfterModel(const PrinterRecord& row) {
    EXPECT_TRUE(row.count.empty());
    EXPECT_TRUE(row.sysContact.empty());
    EXPECT_TRUE(row.sysName.empty());
    EXPECT_TRUE(row.sysLocation.empty());
    EXPECT_TRUE(row.sysDescr.empty());
    EXPECT_TRUE(row.alertDescription.empty());
    EXPECT_EQ(row.deviceStatus, 0);
    EXPECT_EQ(row.printerStatus, 0);
    EXPECT_EQ(row.errorState, 0);
}

} // namespace

TEST(StatusQuery, AsksTheElevenObjectsInOrderWithTheShortCounterAfterAZero) {
    FakePrinter printer = answeringPrinter();
    auto queried = queryFake(printer);
    EXPECT_EQ(printer.asked, std::vector<std::string>(kAllObjects.begin(), kAllObjects.end()));
    const PrinterRecord& row = queried->row();
    EXPECT_EQ(row.model.view(), "Printer 3000");
    EXPECT_EQ(row.count.view(), "77");
    EXPECT_EQ(row.sysContact.view(), "contact");
    EXPECT_EQ(row.sysName.view(), "name");
    EXPECT_EQ(row.sysLocation.view(), "location");
    EXPECT_EQ(row.sysDescr.view(), "descr");
    EXPECT_EQ(row.deviceStatus, 2);
    EXPECT_EQ(row.printerStatus, 3);
    EXPECT_EQ(row.errorState, 0x04);
    EXPECT_EQ(row.alertDescription.view(), std::string(127, 'a'));
}

TEST(StatusQuery, CounterFallbackRules) {
    struct Case {
        const char* longForm;
        const char* shortForm; // nullptr: must not be asked
        const char* count;
    };
    for (Case c : {Case{"5", nullptr, "5"}, Case{"Not Support", nullptr, "Not Support"}, Case{"0", "0", ""},
                   Case{"", "0", ""}, Case{"0", "", "Not Support"}, Case{"", "Not Support", "Not Support"}}) {
        FakePrinter printer = answeringPrinter();
        printer.values[oid::kMarkerLifeCount] = c.longForm;
        printer.values[oid::kMarkerLifeCountShort] = c.shortForm != nullptr ? c.shortForm : "must not be asked";
        auto queried = queryFake(printer);
        EXPECT_EQ(queried->row().count.view(), c.count) << c.longForm;
        EXPECT_EQ(printer.asked.size(), c.shortForm != nullptr ? 11u : 10u) << c.longForm;
    }
}

TEST(StatusQuery, StopsAtTheFirstUnansweredRequest) {
    FakePrinter printer = answeringPrinter();
    printer.silentFrom = oid::kSysName;
    auto queried = queryFake(printer);
    const PrinterRecord& row = queried->row();
    EXPECT_EQ(printer.asked.back(), oid::kSysName);
    EXPECT_EQ(printer.asked.size(), 5u);
    EXPECT_EQ(row.model.view(), "Printer 3000");
    EXPECT_EQ(row.count.view(), "77");
    EXPECT_EQ(row.sysContact.view(), "contact");
    EXPECT_TRUE(row.sysName.empty());
    EXPECT_TRUE(row.sysDescr.empty());
    EXPECT_EQ(row.deviceStatus, 0);
}

// Only the printer's silence is "No Response"; a request that could not be made here (no socket)
// says so and leaves the row not asked, also when a range scan would drop a silent address.
TEST(StatusQuery, NoAnswerIsNoResponseButALocalFailureIsNotAsked) {
    for (int failure : {kSnmpNoResponse, kSnmpLocalFailure}) {
        FakePrinter printer = answeringPrinter();
        printer.silentFrom = oid::kDeviceDescr;
        printer.silentResult = failure;
        auto queried = queryFake(printer, AppSettings{}, true, 1);
        const bool local = failure == kSnmpLocalFailure;
        EXPECT_EQ(queried->row().model.view(), local ? "SNMP Open Error" : "No Response");
        EXPECT_EQ(queried->row().id == kEmptySlotId, !local);
        EXPECT_EQ(queried->run.notAsked, local ? std::vector<int>{0} : std::vector<int>{});
        EXPECT_EQ(queried->run.answeredCount, 0);
        EXPECT_EQ(printer.asked.size(), 1u);
        expectNothingAcquiredAfterModel(queried->row());
    }
}

TEST(StatusQuery, ModelFilterTakesBuiltInPrefixesThenTheEntriesCaseSensitively) {
    AppSettings settings;
    EXPECT_TRUE(isSupportedModel("Printer", settings));
    EXPECT_TRUE(isSupportedModel("ZUV-100", settings));
    EXPECT_TRUE(isSupportedModel("PALIVOX LP", settings));
    EXPECT_FALSE(isSupportedModel("printer x", settings));
    EXPECT_FALSE(isSupportedModel("Print", settings)) << "the whole prefix must be there";
    EXPECT_FALSE(isSupportedModel("Acme 5", settings));
    settings.filterEntries = {"Brother", "Acme"};
    EXPECT_TRUE(isSupportedModel("Acme 5", settings));
    EXPECT_FALSE(isSupportedModel("ACME 5", settings));

    FakePrinter refused = answeringPrinter();
    refused.values[oid::kDeviceDescr] = "printer 3000";
    auto queried = queryFake(refused);
    EXPECT_EQ(queried->row().model.view(), "Not Support");
    EXPECT_EQ(refused.asked.size(), 1u);
    expectNothingAcquiredAfterModel(queried->row());

    // With the filter off any answer is the model, even "Not Support", and the query goes on.
    settings.filterEnabled = false;
    FakePrinter lacking = answeringPrinter();
    lacking.values.erase(oid::kDeviceDescr);
    auto unfiltered = queryFake(lacking, settings);
    EXPECT_EQ(unfiltered->row().model.view(), "Not Support");
    EXPECT_EQ(unfiltered->row().sysName.view(), "name");
}

TEST(StatusQuery, RangeRunsDropUnansweredNewRowsAndEveryRefusedModel) {
    AppSettings settings;
    {
        FakePrinter silent;
        silent.silentFrom = oid::kDeviceDescr;
        auto newRow = queryFake(silent, settings, true, 1);
        EXPECT_EQ(newRow->row().id, kEmptySlotId);
        EXPECT_EQ(newRow->row().fromRange, 0);
    }
    {
        FakePrinter silent;
        silent.silentFrom = oid::kDeviceDescr;
        auto oldRow = queryFake(silent, settings, true, 0);
        EXPECT_EQ(oldRow->row().id, 1) << "a row that was in the table stays";
    }
    {
        FakePrinter refused = answeringPrinter();
        refused.values[oid::kDeviceDescr] = "Acme";
        auto oldRow = queryFake(refused, settings, true, 0);
        EXPECT_EQ(oldRow->row().id, kEmptySlotId);
        auto outsideRange = queryFake(refused, settings, false, 0);
        EXPECT_EQ(outsideRange->row().id, 1);
    }
    {
        FakePrinter accepted = answeringPrinter();
        auto newRow = queryFake(accepted, settings, true, 1);
        EXPECT_EQ(newRow->row().id, 1);
        EXPECT_EQ(newRow->row().fromRange, 0);
    }
}

TEST(StatusQuery, RowsWithoutAddressCommunityOrIdAreNotAskedButCleared) {
    for (int variant = 0; variant < 3; ++variant) {
        PrinterTable table;
        table.appendRecord(variant == 0 ? "" : "10.0.0.1", variant == 1 ? "" : "secret", "");
        PrinterRecord& row = table.slot(0);
        if (variant == 2) {
            row.id = kEmptySlotId;
        }
        row.model.set("old model");
        row.count.set("12");
        row.deviceStatus = 5;
        row.errorState = 0x80;
        row.alertDescription.set("old");
        RunState run;
        FakePrinter printer = answeringPrinter();
        queryPrinter(table, 0, AppSettings{}, run, printer.transport());
        EXPECT_TRUE(printer.asked.empty());
        EXPECT_TRUE(row.model.empty());
        expectNothingAcquiredAfterModel(row);
        EXPECT_EQ(run.doneCount, 1);
    }
}

TEST(StatusQuery, StatusTextsThatAreNoValuesLeaveZero) {
    FakePrinter printer = answeringPrinter();
    printer.values[oid::kDeviceStatus] = "Not Support";
    printer.values[oid::kPrinterStatus] = "4 (printing)";
    printer.values[oid::kDetectedErrorState] = "No Response";
    auto queried = queryFake(printer);
    EXPECT_EQ(queried->row().deviceStatus, 0);
    EXPECT_EQ(queried->row().printerStatus, 4);
    EXPECT_EQ(queried->row().errorState, 0);
}

TEST(ErrorStateOctet, ReadsTheRenderedFirstByte) {
    EXPECT_EQ(errorStateOctet("<0x10>"), 0x10);
    EXPECT_EQ(errorStateOctet("<0x00>\x80"), 0x00);
    EXPECT_EQ(errorStateOctet("<0x1F><0x00>"), 0x1F);
    EXPECT_EQ(errorStateOctet("@"), 0x40);
    EXPECT_EQ(errorStateOctet(" <0x00>"), 0x20);
    EXPECT_EQ(errorStateOctet("\x80"), 0x80);
    EXPECT_EQ(errorStateOctet(""), 0);
    // A printable '<' is a byte of its own, not the start of a rendering.
    EXPECT_EQ(errorStateOctet("<"), '<');
    EXPECT_EQ(errorStateOctet("<0xZZ"), '<');
}

TEST_F(StatusQueryAgainstAgents, AnAnsweringPrinterFillsEveryField) {
    PrinterRecord row = query("127.0.2.1", settings());
    EXPECT_EQ(row.model.view(), "PALIVOX LP-9000");
    EXPECT_EQ(row.count.view(), "123456");
    EXPECT_EQ(row.sysContact.view(), cp932::fromUtf8("総務部 山田"));
    EXPECT_EQ(row.sysName.view(), "prt-honsha-3f");
    EXPECT_EQ(row.sysLocation.view(), cp932::fromUtf8("東京本社３階"));
    EXPECT_EQ(row.sysDescr.view(), "PALIVOX LP-9000 Firmware 1.20");
    EXPECT_EQ(row.deviceStatus, 3);
    EXPECT_EQ(row.printerStatus, 4);
    EXPECT_EQ(row.errorState, 0x10);
    // 126 letters and then a double-byte character that the 127-byte cut must not split.
    EXPECT_EQ(row.alertDescription.view(), std::string(126, 'A'));
    EXPECT_EQ(row.id, 1);
}

TEST_F(StatusQueryAgainstAgents, ErrorStateBytesAndTheShortCounter) {
    PrinterRecord noPaper = query("127.0.2.2", settings());
    EXPECT_EQ(noPaper.model.view(), "ZUV-200");
    EXPECT_EQ(noPaper.errorState, 0x40);
    EXPECT_EQ(noPaper.count.view(), "4321") << "a counter of 0 falls back to the short form";
    EXPECT_EQ(noPaper.alertDescription.view(), "Paper empty");

    PrinterRecord lowPaper = query("127.0.2.3", settings());
    EXPECT_EQ(lowPaper.errorState, 0x00) << "only the first of the bytes 0x00 0x80 counts";
    EXPECT_TRUE(lowPaper.count.empty()) << "0 on both counter objects";
    EXPECT_EQ(lowPaper.sysName.view(), "model-l");
    EXPECT_EQ(lowPaper.printerStatus, 3);
    EXPECT_EQ(lowPaper.alertDescription.view(), "Not Support");
}

TEST_F(StatusQueryAgainstAgents, APrinterThatAnswersOnlyTheModelKeepsTheRestEmpty) {
    PrinterRecord row = query("127.0.2.4", settings());
    EXPECT_EQ(row.model.view(), "Printer Silent");
    expectNothingAcquiredAfterModel(row);
}

TEST_F(StatusQueryAgainstAgents, ASilentAddressGivesNoResponseAndNothingElse) {
    PrinterRecord row = query("127.0.2.250", settings());
    EXPECT_EQ(row.model.view(), "No Response");
    expectNothingAcquiredAfterModel(row);

    // A wrong community gets no answer either.
    auto table = std::make_unique<PrinterTable>();
    table->appendRecord("127.0.2.1", "wrong", "");
    RunState run;
    queryPrinter(*table, 0, settings(), run);
    EXPECT_EQ(table->slot(0).model.view(), "No Response");
}

TEST_F(StatusQueryAgainstAgents, TheFilterRefusesAForeignModelUnlessListed) {
    AppSettings filtered = settings();
    PrinterRecord refused = query("127.0.2.5", filtered);
    EXPECT_EQ(refused.model.view(), "Not Support");
    expectNothingAcquiredAfterModel(refused);

    filtered.filterEntries = {"Acme"};
    PrinterRecord listed = query("127.0.2.5", filtered);
    EXPECT_EQ(listed.model.view(), "Acme Network Camera");
    EXPECT_EQ(listed.count.view(), "Not Support");
    EXPECT_EQ(listed.sysName.view(), "camera-1");
    EXPECT_EQ(listed.deviceStatus, 2);
    EXPECT_EQ(listed.printerStatus, 0) << "\"Not Support\" is no status";
}

TEST_F(StatusQueryAgainstAgents, ConcurrentQueriesEachFillTheirOwnRow) {
    auto table = std::make_unique<PrinterTable>();
    const char* addresses[] = {"127.0.2.1", "127.0.2.2", "127.0.2.3", "127.0.2.5", "127.0.2.1", "127.0.2.2"};
    for (const char* address : addresses) {
        table->appendRecord(address, "public", "");
    }
    AppSettings config = settings();
    config.filterEnabled = false;
    RunState run;
    std::vector<std::thread> workers;
    for (int slot = 0; slot < 6; ++slot) {
        workers.emplace_back([&, slot] { queryPrinter(*table, slot, config, run); });
    }
    for (std::thread& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(run.doneCount, 6);
    const char* models[] = {"PALIVOX LP-9000",     "ZUV-200",         "Printer Model L",
                            "Acme Network Camera", "PALIVOX LP-9000", "ZUV-200"};
    for (int slot = 0; slot < 6; ++slot) {
        EXPECT_EQ(table->slot(slot).model.view(), models[slot]) << slot;
    }
    EXPECT_EQ(table->slot(4).errorState, 0x10);
    EXPECT_EQ(table->slot(5).errorState, 0x40);
}

TEST_F(StatusQueryAgainstAgents, RealPrinterRecordings) {
    if (!sharedRecordingsPresent()) {
        GTEST_SKIP() << "no recordings of real printers in " << sharedRecordingDir();
    }
    AppSettings unfiltered = settings();
    unfiltered.filterEnabled = false;

    PrinterRecord brother = query(sharedAgent("brother_hl5370dw.snmprec"), unfiltered);
    EXPECT_EQ(brother.model.view(), "Brother HL-5370DW series");
    EXPECT_EQ(brother.count.view(), "7792");
    EXPECT_EQ(brother.deviceStatus, 2);
    EXPECT_EQ(brother.printerStatus, 0) << "no hrPrinterStatus.1";
    EXPECT_EQ(brother.errorState, 0x00);

    PrinterRecord epson = query(sharedAgent("epson.snmprec"), unfiltered);
    EXPECT_EQ(epson.model.view(), "EPSON WF-C5790BA");
    EXPECT_EQ(epson.count.view(), "Not Support") << "no counter object: the short form is not asked";
    EXPECT_EQ(epson.deviceStatus, 3);
    EXPECT_EQ(epson.errorState, 0) << "empty error state";

    PrinterRecord konica = query(sharedAgent("konica_c250i.snmprec"), unfiltered);
    EXPECT_EQ(konica.count.view(), "33810");
    EXPECT_EQ(konica.sysName.view(), "Not Support");
    EXPECT_EQ(konica.errorState, 0x01);

    PrinterRecord ricoh = query(sharedAgent("ricoh_mpc3002.snmprec"), unfiltered);
    EXPECT_EQ(ricoh.model.view(), "RICOH Aficio MP C3002");
    EXPECT_EQ(ricoh.count.view(), "271871");
    EXPECT_EQ(ricoh.deviceStatus, 3);

    PrinterRecord sharp = query(sharedAgent("sharp.snmprec"), unfiltered);
    EXPECT_EQ(sharp.errorState, 0x20) << "lowToner arrives as a printable space";
    EXPECT_EQ(sharp.sysLocation.view(), "Not Support");
    EXPECT_EQ(sharp.count.view(), "121104");

    PrinterRecord zebra = query(sharedAgent("zebra.snmprec"), unfiltered);
    EXPECT_EQ(zebra.model.view(), "Not Support");
    EXPECT_EQ(zebra.sysName.view(), "6NM1PAS_AB07");
    EXPECT_EQ(zebra.printerStatus, 3);

    // The built-in prefixes alone refuse them all.
    PrinterRecord filtered = query(sharedAgent("brother_hl5370dw.snmprec"), settings());
    EXPECT_EQ(filtered.model.view(), "Not Support");
    expectNothingAcquiredAfterModel(filtered);
}
