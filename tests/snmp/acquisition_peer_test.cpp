#include "inventory/csv_file.h"
#include "inventory/printer_table.h"
#include "settings/app_settings.h"
#include "snmp/acquisition_run.h"
#include "snmp/console_host.h"
#include "snmp/run_state.h"
#include "snmp/status_query.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/snmpsim_agent.h"

#include <filesystem>
#include <gtest/gtest.h>

using namespace sorpex;
using namespace sorpex::test;

namespace {

std::string at(int n) {
    return "127.0.3." + std::to_string(n);
}

} // namespace

// Whole runs over real agents, queried on worker threads through the real SNMP library: twenty
// printers (and the real printers' recordings, when they are there), addresses where nobody
// answers and rows with a wrong community. Batches of ten and a window of 128 give the same report.
TEST(AcquisitionAgainstAgents, EveryWidthGivesTheSameReport) {
    TempDir dir;
    std::vector<SimulatedAgent> agents;
    for (int n = 1; n <= 20; ++n) {
        std::string file = dir.file("printer" + std::to_string(n) + ".snmprec");
        writeRecording(file, {
                                 "1.3.6.1.2.1.1.1.0|4|Printer firmware " + std::to_string(n),
                                 "1.3.6.1.2.1.1.4.0|4|admin",
                                 "1.3.6.1.2.1.1.5.0|4|prn-" + std::to_string(n),
                                 "1.3.6.1.2.1.1.6.0|4|Floor " + std::to_string(n),
                                 "1.3.6.1.2.1.25.3.2.1.3.1|4|Printer Model " + std::to_string(n),
                                 "1.3.6.1.2.1.25.3.2.1.5.1|2|2",
                                 "1.3.6.1.2.1.25.3.5.1.1.1|2|3",
                                 "1.3.6.1.2.1.25.3.5.1.2.1|4x|00",
                                 "1.3.6.1.2.1.43.10.2.1.4.1.1|65|" + std::to_string(1000 * n),
                                 "1.3.6.1.2.1.43.18.1.1.8.1|4|ok",
                             });
        agents.push_back({at(n), file});
    }
    std::vector<std::string> real;
    if (sharedRecordingsPresent()) {
        for (const auto& entry : std::filesystem::directory_iterator(sharedRecordingDir())) {
            if (entry.path().extension() == ".snmprec") {
                real.push_back(at(50 + static_cast<int>(real.size())));
                agents.push_back({real.back(), entry.path().string()});
            }
        }
    }
    SnmpSimAgents simulated(agents, 1161);

    // Silent addresses and wrong communities in different batches of ten, among the printers.
    auto fill = [&](PrinterTable& table) {
        for (int n = 1; n <= 20; ++n) {
            ASSERT_TRUE(table.appendRecord(at(n), "public", "p" + std::to_string(n)));
            if (n % 4 == 0) {
                ASSERT_TRUE(table.appendRecord(at(100 + n), "public", "silent"));
                ASSERT_TRUE(table.appendRecord(at(n), "private", "wrong community"));
            }
        }
        for (const std::string& address : real) {
            ASSERT_TRUE(table.appendRecord(address, "public", "real"));
        }
    };
    AppSettings settings;
    settings.snmpPort = 1161;
    settings.timeoutSeconds = 1;
    settings.filterEnabled = false; // the real printers' models stay, whatever they are
    auto report = [&](int parallel, PrinterTable& table) {
        RunState run;
        ConsoleHost host;
        ScriptedInteraction ui;
        BatchTiming timing;
        timing.parallel = parallel;
        acquireAll(
            table, false, run, ui, host, [&](int slot) { queryPrinter(table, slot, settings, run); }, timing);
        EXPECT_EQ(run.doneCount.load(), table.rowCount());
        EXPECT_TRUE(ui.shown.empty());
        std::string path = dir.file("report" + std::to_string(parallel) + ".csv");
        EXPECT_TRUE(writeCsvFile(table, path, ui));
        return readFileBytes(path);
    };

    PrinterTable batches;
    fill(batches);
    std::string batchReport = report(10, batches);
    for (int n = 1; n <= 20; ++n) {
        const PrinterRecord& row = batches.slot(n - 1 + (n - 1) / 4 * 2);
        EXPECT_EQ(row.model.view(), "Printer Model " + std::to_string(n));
        EXPECT_EQ(row.count.view(), std::to_string(1000 * n));
        EXPECT_EQ(row.sysName.view(), "prn-" + std::to_string(n));
        EXPECT_EQ(row.sysLocation.view(), "Floor " + std::to_string(n));
        EXPECT_EQ(row.deviceStatus, 2);
        EXPECT_EQ(row.printerStatus, 3);
        EXPECT_EQ(row.errorState, 0);
    }
    for (int slot = 0; slot < batches.rowCount(); ++slot) {
        const PrinterRecord& row = batches.slot(slot);
        if (row.comment == "silent" || row.comment == "wrong community") {
            EXPECT_EQ(row.model.view(), "No Response");
            EXPECT_TRUE(row.sysName.empty());
        }
    }

    PrinterTable window;
    fill(window);
    EXPECT_EQ(report(128, window), batchReport);
}
