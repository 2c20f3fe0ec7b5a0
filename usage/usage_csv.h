#pragma once

#include "usage/usage_period.h"
#include "usage/usage_tracker.h"

#include <string>

namespace sorpex {

inline constexpr std::string_view kUsageHeader =
    "Comment,IP Address,Serial Number,Printer Model,Start,Start Count,End,End Count,Pages,Note";
// Added when the reports carry supplies: the supply that runs out first, "Black Toner:12".
inline constexpr std::string_view kUsageForecastHeader = ",Empty In";

// What happened to a printer in the period, CP932: カウンタ減少, データ不足, 交換, joined by "、".
std::string usageNote(const PrinterUsage& row);
// "<supply>:<days>" of the soonest forecast, or nothing.
std::string emptyInText(const PrinterUsage& row);

// The whole file: CP932, CR LF after every line, texts quoted as in the reports.
std::string usageCsv(const UsageTable& table);

// SORPEX_usage_yyyymmdd-yyyymmdd.csv
std::string usageFileName(const CalendarDay& from, const CalendarDay& to);

// Replaces the file at `nativePath` with the table; 0 or the errno of the failure.
int writeUsageFile(const std::string& nativePath, const UsageTable& table);

} // namespace sorpex
