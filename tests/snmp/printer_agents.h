#pragma once

#include "inventory/printer_table.h"
#include "settings/app_settings.h"
#include "snmp/run_state.h"
#include "snmp/snmp_get.h"
#include "snmp/status_query.h"
#include "tests/support/snmpsim_agent.h"

#include <gtest/gtest.h>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace sorpex::test {

// Simulated printers on 127.0.2.x, port 1161, for the status query and the supplies tests.
class StatusQueryAgainstAgents : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        initSnmpLibrary();
        std::vector<SimulatedAgent> agents = {
            {"127.0.2.1", projectRecording("full_printer.snmprec")},
            {"127.0.2.2", projectRecording("no_paper_short_counter.snmprec")},
            {"127.0.2.3", projectRecording("low_paper_zero_counters.snmprec")},
            {"127.0.2.4", projectRecording("model_only.snmprec")},
            {"127.0.2.5", projectRecording("foreign_model.snmprec")},
            {"127.0.2.31", projectRecording("supplies_one.snmprec")},
            {"127.0.2.32", projectRecording("supplies_five.snmprec")},
            {"127.0.2.33", projectRecording("supplies_forty.snmprec")},
            {"127.0.2.34", projectRecording("supplies_silent_walk.snmprec")},
        };
        if (sharedRecordingsPresent()) {
            int n = 10;
            for (const char* name : kSharedRecordings) {
                agents.push_back({"127.0.2." + std::to_string(n++), sharedRecordingDir() + "/" + name});
            }
        }
        s_agents = new SnmpSimAgents(agents, 1161);
    }
    static void TearDownTestSuite() {
        delete s_agents;
        s_agents = nullptr;
    }

    static AppSettings settings() {
        AppSettings settings;
        settings.snmpPort = 1161;
        settings.timeoutSeconds = 1;
        settings.retryCount = 0;
        return settings;
    }

    // With the serial number and the supplies, every model taken.
    static AppSettings withSupplies() {
        AppSettings settings = StatusQueryAgainstAgents::settings();
        settings.filterEnabled = false;
        settings.supplies = true;
        return settings;
    }

    static PrinterRecord query(const std::string& address, const AppSettings& settings) {
        auto table = std::make_unique<PrinterTable>();
        table->appendRecord(address, "public", "");
        RunState run;
        queryPrinter(*table, 0, settings, run);
        EXPECT_EQ(run.doneCount, 1);
        return table->slot(0);
    }

    static std::string sharedAgent(const char* name) {
        int n = 10;
        for (const char* recording : kSharedRecordings) {
            if (std::string_view(recording) == name) {
                return "127.0.2." + std::to_string(n);
            }
            ++n;
        }
        return "";
    }

    static constexpr const char* kSharedRecordings[] = {
        "brother_hl5370dw.snmprec", "epson.snmprec", "konica_c250i.snmprec",
        "ricoh_mpc3002.snmprec",    "sharp.snmprec", "zebra.snmprec"};
    inline static SnmpSimAgents* s_agents = nullptr;
};

} // namespace sorpex::test
