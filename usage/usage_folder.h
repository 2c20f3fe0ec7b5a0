#pragma once

#include "usage/usage_tracker.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace sorpex {

// The time a report was taken: the stamp of a SORPEX_yyyymmddhhmmss.csv name, local time.
std::optional<std::time_t> reportNameTime(std::string_view fileName);

struct UsageCollection {
    enum class Status {
        Ok,
        FolderUnreadable, // missing, no folder, or not readable; `error` says why
        NoReports,        // no report at or before the end of the period
    };
    Status status = Status::Ok;
    int error = 0;
    int reportsRead = 0;
    int filesSkipped = 0; // not reports, or unreadable
    int linesIgnored = 0; // damaged lines, counters that are no number
    std::time_t newestReport = 0;
    UsageTable table;
};

// Reads every report of the folder (a path in the file system's bytes) taken at or before the
// end of the period, oldest first, each once. A file's time is its name's stamp, or else its
// modification time.
UsageCollection collectUsage(const std::string& nativeFolder, const UsagePeriod& period);

// Why nothing could be counted, CP932, for a collection whose status is not Ok; the folder is
// named as given.
std::string usageProblemMessage(const UsageCollection& collection, std::string_view folder);
// How many reports were read and what was left out, CP932, one line.
std::string usageCountsLine(const UsageCollection& collection);

// The time of the newest report in the folder taken before `before`, for the usage since the
// previous scheduled report.
std::optional<std::time_t> previousReportTime(const std::string& nativeFolder, std::time_t before);

} // namespace sorpex
