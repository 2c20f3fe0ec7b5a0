#include "usage/usage_csv.h"

#include "base/cp932.h"
#include "base/replacing_file.h"
#include "inventory/csv_file.h"

namespace sorpex {

std::string usageNote(const PrinterUsage& row) {
    std::string note;
    auto add = [&](const char* utf8) {
        if (!note.empty()) {
            note += cp932::fromUtf8("、");
        }
        note += cp932::fromUtf8(utf8);
    };
    if (row.replaced) {
        add("交換");
    }
    if (row.counterDecreased) {
        add("カウンタ減少");
    }
    if (!row.pages) {
        add("データ不足");
    }
    return note;
}

std::string emptyInText(const PrinterUsage& row) {
    if (row.forecasts.empty()) {
        return {};
    }
    return row.forecasts.front().name + ":" + std::to_string(row.forecasts.front().days);
}

std::string usageCsv(const UsageTable& table) {
    std::string text(kUsageHeader);
    if (table.withSupplies) {
        text += kUsageForecastHeader;
    }
    text += "\r\n";
    auto time = [](const std::optional<std::time_t>& at) {
        return at ? readingTimeText(localTimeAt(*at)) : std::string();
    };
    for (const PrinterUsage& row : table.rows) {
        appendCsvQuoted(text, row.comment);
        text += ',';
        text += row.ipAddress;
        text += ',';
        appendCsvQuoted(text, row.serialNumber);
        text += ',';
        appendCsvQuoted(text, row.model);
        text += ',' + time(row.startTime) + ',';
        if (row.startTime) {
            text += std::to_string(row.startCount);
        }
        text += ',' + time(row.endTime) + ',';
        if (row.endTime) {
            text += std::to_string(row.endCount);
        }
        text += ',';
        if (row.pages) {
            text += std::to_string(*row.pages);
        }
        text += ',';
        appendCsvQuoted(text, usageNote(row));
        if (table.withSupplies) {
            text += ',';
            appendCsvQuoted(text, emptyInText(row));
        }
        text += "\r\n";
    }
    return text;
}

std::string usageFileName(const CalendarDay& from, const CalendarDay& to) {
    return "SORPEX_usage_" + compactDay(from) + "-" + compactDay(to) + ".csv";
}

int writeUsageFile(const std::string& nativePath, const UsageTable& table) {
    return replaceFile(nativePath, usageCsv(table));
}

} // namespace sorpex
