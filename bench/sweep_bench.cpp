// An IP range acquisition without the window: sorpex_sweep_bench SETTINGS.ini START END REPORT.csv
// sweeps START ... END (dotted) with the settings' time-out, port and Parallel, as the window's
// IPアドレス範囲取得 does, and writes the rows found. Prints their number; asserts nothing.
#include "base/interaction.h"
#include "inventory/csv_file.h"
#include "inventory/printer_table.h"
#include "settings/app_settings.h"
#include "snmp/acquisition_run.h"
#include "snmp/console_host.h"
#include "snmp/ip_range_walk.h"
#include "snmp/run_state.h"
#include "snmp/snmp_get.h"
#include "snmp/status_query.h"

#include <arpa/inet.h>
#include <cstdio>

using namespace sorpex;

namespace {

class SilentInteraction : public UserInteraction {
public:
    Answer showMessage(std::string_view text, MessageIcon, MessageButtons) override {
        std::fprintf(stderr, "%.*s\n", static_cast<int>(text.size()), text.data());
        return Answer::Ok;
    }
    std::optional<std::string> chooseOpenFile(const FileChooserRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileChooserRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseFolder(const FileChooserRequest&) override { return std::nullopt; }
};

std::uint32_t address(const char* text) {
    in_addr parsed{};
    return inet_pton(AF_INET, text, &parsed) == 1 ? ntohl(parsed.s_addr) : 0;
}

} // namespace

int main(int argc, char** argv) {
    if (argc != 5) {
        std::fprintf(stderr, "usage: sorpex_sweep_bench SETTINGS.ini START END REPORT.csv\n");
        return 2;
    }
    AppSettings settings;
    readSettingsFile(settings, argv[1]);
    applySettings(settings);
    initSnmpLibrary();
    AddressRange range{address(argv[2]), address(argv[3])};
    SilentInteraction ui;
    if (!rangeRefusal(range).empty()) {
        std::fprintf(stderr, "range refused\n");
        return 2;
    }
    PrinterTable table;
    RunState run;
    ConsoleHost host;
    BatchTiming timing;
    timing.parallel = settings.parallel;
    acquireRange(table, range, run, ui, [&] {
        acquisitionRun(
            table, false, run, ui, host, [&](int slot) { queryPrinter(table, slot, settings, run); }, timing);
    });
    std::printf("%d\n", table.rowCount());
    return writeCsvFile(table, argv[4], ui) ? 0 : 3;
}
