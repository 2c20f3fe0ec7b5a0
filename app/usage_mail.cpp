#include "app/usage_mail.h"

namespace sorpex {

void addUsageToMail(ReportMailJob& job, const AppSettings& settings, const std::string& reportPath,
                    UsageMailPart& part) {
    if (!settings.mailUsage || !part.prepare(reportPath, settings.supplyWarn)) {
        return;
    }
    job.body += "\r\n\r\n" + part.summary();
    job.usagePath = part.path();
}

} // namespace sorpex
