#include "inventory/ip_address.h"
#include "usage/report_reader.h"
#include "usage/usage_tracker.h"

#include <cstddef>
#include <cstdint>
#include <string_view>

// Scans arbitrary bytes as a report and follows its lines through the pages rule: every line
// handed on has a normalised address and bounded texts, and the table that results holds only
// printers the bytes named, with pages only where two readings at different times were taken.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view bytes(reinterpret_cast<const char*>(data), size);
    sorpex::UsageTracker tracker({100, 300});
    int handed = 0;
    const sorpex::ReportKind kind = sorpex::reportKind(bytes);
    // The same bytes taken twice, before and inside the period, so that sums are made.
    for (std::time_t time : {50, 200}) {
        tracker.beginReport(time, kind);
        const sorpex::ReportScan scan = sorpex::scanReport(bytes, [&](const sorpex::ReportLine& line) {
            ++handed;
            if (sorpex::normalizedIpAddress(line.ipAddress) != line.ipAddress || line.comment.size() > 4096 ||
                line.supplies.size() > 4096) {
                __builtin_trap();
            }
            tracker.addLine(line);
        });
        if (scan.kind != kind || (kind == sorpex::ReportKind::NotReport && scan.lines != 0)) {
            __builtin_trap();
        }
    }
    const sorpex::UsageTable table = tracker.finish();
    if (static_cast<int>(table.rows.size()) > handed) {
        __builtin_trap();
    }
    for (const sorpex::PrinterUsage& row : table.rows) {
        // Pages come only from two readings in time order, and never from nothing.
        if (row.pages && (!row.startTime || !row.endTime || *row.startTime > *row.endTime ||
                          (*row.pages > 0 && *row.endTime == *row.startTime))) {
            __builtin_trap();
        }
    }
    return 0;
}
