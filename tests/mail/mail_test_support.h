#pragma once

#include "base/cp932.h"
#include "settings/app_settings.h"

#include <chrono>
#include <regex>
#include <string>
#include <string_view>

namespace sorpex::test {

using Clock = std::chrono::steady_clock;

inline double secondsSince(Clock::time_point start) {
    return std::chrono::duration<double>(Clock::now() - start).count();
}

inline std::string sjis(std::string_view utf8) {
    return cp932::fromUtf8(utf8);
}

// The report mail to a peer: a Japanese sender, subject and body, two recipients.
inline AppSettings mailSettings(const std::string& address, int port) {
    AppSettings settings;
    settings.mailEnabled = true;
    settings.mailServer = address;
    settings.mailPort = port;
    settings.mailFrom = sjis("報告係 <sorpex@example.test>");
    settings.mailTo = "<admin@example.test>\r\n<backup@example.test>";
    settings.mailSubject = sjis("月次報告 [SORPEX]");
    settings.mailBody = sjis("本日の集計です。\r\nｶｳﾝﾀ一覧\r\n.csv を添付します\r\n");
    return settings;
}

// The message with its Date and Message-ID lines (which change at every send) as "[stamp]", once
// their form is checked.
inline std::string withStampMarked(const std::string& message) {
    static const std::regex stamp("\r\nDate: (Mon|Tue|Wed|Thu|Fri|Sat|Sun), \\d\\d [A-Z][a-z]{2} \\d{4} "
                                  "\\d\\d:\\d\\d:\\d\\d [+-]\\d{4}\r\n"
                                  "Message-ID: <\\d{14}\\.[0-9a-f]{16}@[A-Za-z0-9.-]+>\r\n");
    return std::regex_replace(message, stamp, "\r\n[stamp]\r\n", std::regex_constants::format_first_only);
}

} // namespace sorpex::test
