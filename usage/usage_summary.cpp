#include "usage/usage_summary.h"

#include "base/cp932.h"
#include "usage/usage_csv.h"

#include <algorithm>
#include <cstdlib>
#include <sys/stat.h>
#include <unistd.h>

namespace sorpex {
namespace {

std::string printerText(const PrinterUsage& row) {
    return row.comment.empty() ? row.ipAddress : row.comment + " (" + row.ipAddress + ")";
}

} // namespace

std::string usageMailSummary(const UsageCollection& usage, const UsagePeriod& period, int supplyWarn) {
    const UsageTable& table = usage.table;
    std::string text;
    auto line = [&](const std::string& utf8) { text += cp932::fromUtf8(utf8) + "\r\n"; };
    auto item = [&](const std::string& cp932Text) { text += "  " + cp932Text + "\r\n"; };

    // Not the wave dash: mail readers differ on which character ISO-2022-JP's one is.
    line("使用枚数 " + readingTimeText(localTimeAt(period.start)) + " から " +
         readingTimeText(localTimeAt(period.end)));
    line("プリンタ " + std::to_string(table.newestRows) + " 台: 応答 " + std::to_string(table.newestAnswered) +
         " 台、無応答 " + std::to_string(table.newestRows - table.newestAnswered) + " 台");
    std::uint64_t total = 0;
    std::vector<const PrinterUsage*> busiest;
    for (const PrinterUsage& row : table.rows) {
        if (row.pages) {
            total += *row.pages;
            busiest.push_back(&row);
        }
    }
    line("期間の合計枚数: " + std::to_string(total) + " 枚");

    std::stable_sort(busiest.begin(), busiest.end(),
                     [](const PrinterUsage* a, const PrinterUsage* b) { return *a->pages > *b->pages; });
    busiest.resize(std::min(busiest.size(), kBusiestInMail));
    if (!busiest.empty()) {
        line("枚数の多いプリンタ:");
        for (const PrinterUsage* row : busiest) {
            item(printerText(*row) + cp932::fromUtf8(": " + std::to_string(*row->pages) + " 枚"));
        }
    }

    std::vector<std::string> low;
    std::vector<std::string> soon;
    for (const PrinterUsage& row : table.rows) {
        // The lowest column leaves waste boxes out: a printer is listed only when a supply that
        // runs out is low.
        if (row.answeredLast && row.lowestSupply && *row.lowestSupply <= supplyWarn) {
            for (const SupplyLevel& level : row.supplies) {
                if (level.percent <= supplyWarn) {
                    low.push_back(printerText(row) + " " + level.name + " " + std::to_string(level.percent) + "%");
                }
            }
        }
        for (const SupplyForecast& forecast : row.forecasts) {
            if (forecast.days <= kForecastDaysInMail) {
                soon.push_back(printerText(row) + " " + forecast.name +
                               cp932::fromUtf8(" あと " + std::to_string(forecast.days) + " 日"));
            }
        }
    }
    if (!low.empty()) {
        line("残量が " + std::to_string(supplyWarn) + "% 以下の消耗品:");
        std::for_each(low.begin(), low.end(), item);
    }
    if (!soon.empty()) {
        line(std::to_string(kForecastDaysInMail) + " 日以内に切れる見込みの消耗品:");
        std::for_each(soon.begin(), soon.end(), item);
    }
    return text;
}

UsageMailPart::~UsageMailPart() {
    if (!m_path.empty()) {
        ::unlink(m_path.c_str());
    }
    if (!m_folder.empty()) {
        ::rmdir(m_folder.c_str());
    }
}

bool UsageMailPart::prepare(const std::string& reportPath, int supplyWarn) {
    const std::size_t slash = reportPath.rfind('/');
    const std::string folder = slash == std::string::npos ? "." : reportPath.substr(0, slash);
    const std::string name = slash == std::string::npos ? reportPath : reportPath.substr(slash + 1);
    std::time_t reportTime = std::time(nullptr);
    struct stat info {};
    if (std::optional<std::time_t> stamp = reportNameTime(name)) {
        reportTime = *stamp;
    } else if (::stat(reportPath.c_str(), &info) == 0) {
        reportTime = info.st_mtime;
    }
    // Since the previous scheduled report: its reading starts the period.
    const UsagePeriod period{previousReportTime(folder, reportTime).value_or(reportTime), reportTime};
    const UsageCollection usage = collectUsage(folder, period);
    if (usage.status != UsageCollection::Status::Ok) {
        return false;
    }
    const char* tmp = std::getenv("TMPDIR");
    std::string pattern = std::string(tmp != nullptr && *tmp == '/' ? tmp : "/tmp") + "/sorpex-usage-XXXXXX";
    if (::mkdtemp(pattern.data()) == nullptr) {
        return false;
    }
    m_folder = pattern;
    const LocalTime from = localTimeAt(period.start);
    const LocalTime to = localTimeAt(period.end);
    const std::string path =
        m_folder + "/" + usageFileName({from.year, from.month, from.day}, {to.year, to.month, to.day});
    if (writeUsageFile(path, usage.table) != 0) {
        return false;
    }
    m_path = path;
    m_summary = usageMailSummary(usage, period, supplyWarn);
    return true;
}

} // namespace sorpex
