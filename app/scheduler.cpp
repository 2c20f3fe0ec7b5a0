#include "app/scheduler.h"

namespace sorpex {

int daysInMonth(int year, int month) {
    static constexpr int kDays[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    if (month < 1 || month > 12) {
        return 0;
    }
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : kDays[month - 1];
}

std::uint32_t dateValue(const LocalTime& time) {
    return static_cast<std::uint32_t>(time.year) * 65536 + static_cast<std::uint32_t>(time.month) * 256 +
           static_cast<std::uint32_t>(time.day);
}

std::uint32_t timeValue(const LocalTime& time) {
    return static_cast<std::uint32_t>(time.hour) * 65536 + static_cast<std::uint32_t>(time.minute) * 256 +
           static_cast<std::uint32_t>(time.second);
}

bool scheduleMatches(const ScheduleTrigger& trigger, const LocalTime& time) {
    const std::uint32_t dateKey =
        trigger.dateKey == 32 ? static_cast<std::uint32_t>(daysInMonth(time.year, time.month)) : trigger.dateKey;
    if ((dateKey & trigger.dateMask) != (dateValue(time) & trigger.dateMask)) {
        return false;
    }
    if ((trigger.timeKey & trigger.timeMask) != (timeValue(time) & trigger.timeMask)) {
        return false;
    }
    // Monday 1 .. Saturday 32, Sunday 64.
    const int weekday = (time.weekday % 7 + 7) % 7;
    const std::uint32_t weekdayBit = weekday == 0 ? 64u : 1u << (weekday - 1);
    return trigger.weekdayMask == 0 || (weekdayBit & trigger.weekdayBits & trigger.weekdayMask) != 0;
}

bool SchedulePoller::tick(const ScheduleTrigger& trigger) {
    const std::time_t now = m_clock.now();
    // The seconds not yet looked at: those since the last tick when it was recent, else this one.
    std::time_t first = now;
    if (m_lastTick && now > *m_lastTick && now - *m_lastTick <= kLateTickLimit) {
        first = *m_lastTick + 1;
    } else if (m_lastTick && now == *m_lastTick) {
        first = now + 1;
    }
    m_lastTick = now;
    for (std::time_t second = first; second <= now; ++second) {
        const LocalTime local = m_clock.toLocal(second);
        if (!scheduleMatches(trigger, local)) {
            continue;
        }
        const std::pair occurrence{dateValue(local), timeValue(local)};
        if (m_lastFired == occurrence) {
            continue;
        }
        m_lastFired = occurrence;
        return true;
    }
    return false;
}

void runScheduledReport(const AppSettings& settings, const ScheduledRunSteps& steps) {
    steps.acquireAll();
    // With auto-save on, the run has saved its own file, which is the one to mail.
    if (settings.mailEnabled && !settings.autoSave) {
        steps.saveForMail();
    }
    if (settings.mailEnabled) {
        steps.sendReportMail(steps.autoFilePath());
    }
}

} // namespace sorpex
