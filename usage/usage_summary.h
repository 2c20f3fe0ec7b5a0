#pragma once

#include "usage/usage_folder.h"

#include <string>

namespace sorpex {

// The usage since the previous scheduled report, as the report mail tells it after the user's
// text (CP932, CR LF line ends): the printers of the newest report, answered and silent; the
// pages of the period; the five busiest printers; the supplies at or below `supplyWarn` percent
// and those forecast to run out within 14 days.
std::string usageMailSummary(const UsageCollection& usage, const UsagePeriod& period, int supplyWarn);

// The usage part of a scheduled report mail: counted from the report before `reportPath` in its
// folder to that report, written as a usage file into a private temporary folder, which goes
// when this object goes.
class UsageMailPart {
public:
    UsageMailPart() = default;
    ~UsageMailPart();
    UsageMailPart(const UsageMailPart&) = delete;
    UsageMailPart& operator=(const UsageMailPart&) = delete;

    // `reportPath` in the file system's bytes. False when nothing could be counted or written:
    // the mail then goes as it would without the usage.
    bool prepare(const std::string& reportPath, int supplyWarn);

    const std::string& summary() const { return m_summary; } // CP932, CR LF
    const std::string& path() const { return m_path; }       // the usage file

private:
    std::string m_folder;
    std::string m_path;
    std::string m_summary;
};

inline constexpr int kForecastDaysInMail = 14;
inline constexpr std::size_t kBusiestInMail = 5;

} // namespace sorpex
