#pragma once

#include "usage/usage_folder.h"

#include <string>

namespace sorpex {

// The usage since the previous scheduled report, as the report mail tells it after the user's
// text (CP932, CR LF line ends): the printers of the newest report, answered and silent; the
// pages of the period; the five busiest printers; the supplies at or below `supplyWarn` percent
// and those forecast to run out within 14 days.
std::string usageMailSummary(const UsageCollection& usage, const UsagePeriod& period, int supplyWarn);

inline constexpr int kForecastDaysInMail = 14;
inline constexpr std::size_t kBusiestInMail = 5;

} // namespace sorpex
