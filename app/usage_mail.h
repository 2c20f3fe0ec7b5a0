#pragma once

#include "mail/report_mail.h"
#include "settings/app_settings.h"
#include "usage/usage_summary.h"

#include <string>

namespace sorpex {

// With [ReportParam] Usage=1 the report mail also tells the usage since the previous report of
// the folder: its summary after the body, its table attached. `part` holds the attachment and
// must outlive the sending. Without the switch, or when nothing could be counted, the job stays
// as it was.
void addUsageToMail(ReportMailJob& job, const AppSettings& settings, const std::string& reportPath,
                    UsageMailPart& part);

} // namespace sorpex
