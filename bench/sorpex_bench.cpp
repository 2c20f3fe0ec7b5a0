// Times of the CSV file and the list with a full table of 1023 printers, and the peak memory.
// Prints one line per measure; asserts nothing.
#include "inventory/csv_file.h"
#include "inventory/printer_table.h"
#include "ui/sorpex_view.h"

#include "base/interaction.h"

#include <QApplication>

#include <chrono>
#include <cstdio>
#include <functional>
#include <string>
#include <sys/resource.h>
#include <unistd.h>

using namespace sorpex;

namespace {

class SilentInteraction : public UserInteraction {
public:
    Answer showMessage(std::string_view, MessageIcon, MessageButtons) override { return Answer::Ok; }
    std::optional<std::string> chooseOpenFile(const FileChooserRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const FileChooserRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseFolder(const FileChooserRequest&) override { return std::nullopt; }
};

double millisecondsPerRun(int runs, const std::function<void()>& work) {
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < runs; ++i) {
        work();
    }
    return std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count() / runs;
}

long peakKilobytes() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void fill(PrinterTable& table) {
    for (int n = 1; n <= PrinterTable::kMaxRows; ++n) {
        std::string address = "10." + std::to_string(n / 250) + "." + std::to_string(n % 250) + ".1";
        table.appendRecord(address, "public", "\x83\x76\x83\x8a\x83\x93\x83\x5e " + std::to_string(n));
        PrinterRecord& row = table.slot(n - 1);
        row.model.set("PALIVOX LX-3000 Color Multifunction");
        row.count.set(std::to_string(123456 + n));
        row.sysName.set("prn-" + std::to_string(n));
        row.sysLocation.set("\x96\x7b\x8e\xd0\x82\x52\x8a\x4b");
        row.sysContact.set("admin@example.test");
        row.sysDescr.set(std::string(200, 'd'));
        row.deviceStatus = 2;
        row.printerStatus = 3;
    }
}

} // namespace

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    std::string folder = argc > 1 ? argv[1] : "/tmp";
    std::string path = folder + "/bench-1023.csv";
    SilentInteraction ui;
    PrinterTable table;
    fill(table);

    double save = millisecondsPerRun(20, [&] { writeCsvFile(table, path, ui); });
    PrinterTable loaded;
    double load = millisecondsPerRun(20, [&] {
        loaded.clearTable();
        readCsvFile(loaded, path, ui);
    });
    CSORPEXView view;
    view.resize(1200, 600);
    view.show();
    double refresh = millisecondsPerRun(20, [&] {
        view.refreshList(table, {});
        QApplication::processEvents();
    });
    std::printf("csv-save-1023 %.2f ms\n", save);
    std::printf("csv-load-1023 %.2f ms (%d rows)\n", load, loaded.rowCount());
    std::printf("refresh-list-1023 %.2f ms\n", refresh);
    std::printf("peak-memory %ld kB\n", peakKilobytes());
    unlink(path.c_str());
    return 0;
}
