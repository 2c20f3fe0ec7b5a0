#include "inventory/printer_table.h"
#include "settings/app_settings.h"
#include "snmp/acquisition_run.h"
#include "snmp/run_state.h"
#include "snmp/status_query.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/snmpsim_agent.h"

#include <gtest/gtest.h>
#include <thread>

using namespace sorpex;
using namespace sorpex::test;

namespace {

class ThreadHost : public AcquisitionHost {
public:
    void setBusy(bool) override {}
    void runWithProgress(RunState&, const std::function<void()>& batches) override {
        std::thread worker(batches);
        worker.join();
    }
    void refreshList() override {}
    void autoSave() override {}
};

} // namespace

// A whole run over real agents: twenty printers and five addresses where nobody answers,
// queried on worker threads through the real SNMP library.
TEST(AcquisitionAgainstAgents, FillsAnsweringRowsAndMarksSilentOnes) {
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
        agents.push_back({"127.0.3." + std::to_string(n), file});
    }
    SnmpSimAgents simulated(agents, 1161);

    PrinterTable table;
    for (int n = 1; n <= 25; ++n) {
        std::string address = n <= 20 ? "127.0.3." + std::to_string(n) : "127.0.3." + std::to_string(100 + n);
        ASSERT_TRUE(table.appendRecord(address, "public", ""));
    }
    AppSettings settings;
    settings.snmpPort = 1161;
    settings.timeoutSeconds = 1;
    RunState run;
    ThreadHost host;
    ScriptedInteraction ui;
    acquireAll(table, false, run, ui, host, [&](int slot) { queryPrinter(table, slot, settings, run); });

    EXPECT_EQ(run.doneCount.load(), 25);
    for (int n = 1; n <= 20; ++n) {
        const PrinterRecord& row = table.slot(n - 1);
        EXPECT_EQ(row.model.view(), "Printer Model " + std::to_string(n));
        EXPECT_EQ(row.count.view(), std::to_string(1000 * n));
        EXPECT_EQ(row.sysName.view(), "prn-" + std::to_string(n));
        EXPECT_EQ(row.sysLocation.view(), "Floor " + std::to_string(n));
        EXPECT_EQ(row.deviceStatus, 2);
        EXPECT_EQ(row.printerStatus, 3);
        EXPECT_EQ(row.errorState, 0);
    }
    for (int n = 21; n <= 25; ++n) {
        EXPECT_EQ(table.slot(n - 1).model.view(), "No Response");
        EXPECT_TRUE(table.slot(n - 1).sysName.empty());
    }
    EXPECT_TRUE(ui.shown.empty());
}
