#include "usage/usage_folder.h"

#include "base/cp932.h"
#include "base/input_file.h"

#include <algorithm>
#include <cerrno>
#include <dirent.h>
#include <memory>
#include <sys/stat.h>
#include <vector>

namespace sorpex {
namespace {

struct FolderEntry {
    std::string path;
    std::time_t time = 0;
    bool stamped = false;
};

struct DirCloser {
    void operator()(DIR* dir) const { ::closedir(dir); }
};

// Every entry of the folder that is a regular file (or a link to one), with its time; the
// others count as skipped.
bool listFolder(const std::string& folder, std::vector<FolderEntry>& entries, int& skipped, int& error) {
    std::unique_ptr<DIR, DirCloser> dir(::opendir(folder.c_str()));
    if (!dir) {
        error = errno;
        return false;
    }
    while (const dirent* entry = ::readdir(dir.get())) {
        const std::string_view name = entry->d_name;
        if (name == "." || name == "..") {
            continue;
        }
        FolderEntry file;
        file.path = folder + "/" + std::string(name);
        struct stat info {};
        if (::stat(file.path.c_str(), &info) != 0 || !S_ISREG(info.st_mode)) {
            ++skipped;
            continue;
        }
        if (std::optional<std::time_t> stamp = reportNameTime(name)) {
            file.time = *stamp;
            file.stamped = true;
        } else {
            file.time = info.st_mtime;
        }
        entries.push_back(std::move(file));
    }
    std::sort(entries.begin(), entries.end(), [](const FolderEntry& a, const FolderEntry& b) {
        return a.time != b.time ? a.time < b.time : a.path < b.path;
    });
    return true;
}

bool readWhole(const std::string& path, std::string& bytes) {
    InputFile file(path);
    if (!file.isOpen()) {
        return false;
    }
    bytes.resize(static_cast<std::size_t>(file.size()));
    const std::size_t filled = file.readFully(bytes.data(), bytes.size());
    // A file that grew while read is taken as far as it was when opened.
    bytes.resize(filled);
    return filled == static_cast<std::size_t>(file.size());
}

} // namespace

std::optional<std::time_t> reportNameTime(std::string_view name) {
    constexpr std::string_view prefix = "SORPEX_";
    constexpr std::string_view suffix = ".csv";
    if (name.size() != prefix.size() + 14 + suffix.size() || name.substr(0, prefix.size()) != prefix ||
        name.substr(prefix.size() + 14) != suffix) {
        return std::nullopt;
    }
    int parts[6] = {};
    const int widths[6] = {4, 2, 2, 2, 2, 2};
    std::size_t at = prefix.size();
    for (int i = 0; i < 6; ++i) {
        for (int k = 0; k < widths[i]; ++k, ++at) {
            if (name[at] < '0' || name[at] > '9') {
                return std::nullopt;
            }
            parts[i] = parts[i] * 10 + (name[at] - '0');
        }
    }
    if (parts[0] < 1970 || parts[1] < 1 || parts[1] > 12 || parts[2] < 1 || parts[2] > 31 || parts[3] > 23 ||
        parts[4] > 59 || parts[5] > 60) {
        return std::nullopt;
    }
    return localInstant({parts[0], parts[1], parts[2]}, parts[3], parts[4], parts[5]);
}

UsageCollection collectUsage(const std::string& nativeFolder, const UsagePeriod& period) {
    UsageCollection result;
    std::vector<FolderEntry> entries;
    if (!listFolder(nativeFolder, entries, result.filesSkipped, result.error)) {
        result.status = UsageCollection::Status::FolderUnreadable;
        return result;
    }
    UsageTracker tracker(period);
    std::string bytes;
    for (const FolderEntry& entry : entries) {
        if (entry.time > period.end) {
            break;
        }
        if (!readWhole(entry.path, bytes)) {
            ++result.filesSkipped;
            continue;
        }
        const ReportKind kind = reportKind(bytes);
        if (kind == ReportKind::NotReport) {
            ++result.filesSkipped;
            continue;
        }
        tracker.beginReport(entry.time, kind);
        const ReportScan scan = scanReport(bytes, [&](const ReportLine& line) {
            if (!tracker.addLine(line)) {
                ++result.linesIgnored;
            }
        });
        ++result.reportsRead;
        result.linesIgnored += scan.damaged;
        result.newestReport = entry.time;
    }
    if (result.reportsRead == 0) {
        result.status = UsageCollection::Status::NoReports;
    }
    result.table = tracker.finish();
    return result;
}

std::string usageProblemMessage(const UsageCollection& collection, std::string_view folder) {
    if (collection.status == UsageCollection::Status::FolderUnreadable) {
        return cp932::fromUtf8("レポートのフォルダを読めません\n") + std::string(folder) +
               cp932::fromUtf8("\nError Code = ") + std::to_string(collection.error);
    }
    return cp932::fromUtf8("期間の終わりまでのレポートがありません\n") + std::string(folder);
}

std::string usageCountsLine(const UsageCollection& collection) {
    return cp932::fromUtf8("レポート ") + std::to_string(collection.reportsRead) +
           cp932::fromUtf8(" 件を読みました（レポートでないファイル ") + std::to_string(collection.filesSkipped) +
           cp932::fromUtf8(" 件、除いた行 ") + std::to_string(collection.linesIgnored) + cp932::fromUtf8(" 件）");
}

std::optional<std::time_t> previousReportTime(const std::string& nativeFolder, std::time_t before) {
    std::vector<FolderEntry> entries;
    int skipped = 0;
    int error = 0;
    if (!listFolder(nativeFolder, entries, skipped, error)) {
        return std::nullopt;
    }
    std::string bytes;
    for (auto it = entries.rbegin(); it != entries.rend(); ++it) {
        if (it->time < before && readWhole(it->path, bytes) && reportKind(bytes) != ReportKind::NotReport) {
            return it->time;
        }
    }
    return std::nullopt;
}

} // namespace sorpex
