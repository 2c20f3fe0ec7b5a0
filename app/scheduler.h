#pragma once

#include "base/clock.h"
#include "settings/app_settings.h"

#include <cstdint>
#include <ctime>
#include <functional>
#include <optional>
#include <string>
#include <utility>

namespace sorpex {

// 28..31; February has 29 days in a leap year.
int daysInMonth(int year, int month);

// year × 65536 + month × 256 + day, and hour × 65536 + minute × 256 + second.
std::uint32_t dateValue(const LocalTime& time);
std::uint32_t timeValue(const LocalTime& time);

// Whether the trigger fires at this instant. A dateKey of 32 stands for the last day of the
// month. The time includes the second, so a schedule matches during one second only.
bool scheduleMatches(const ScheduleTrigger& trigger, const LocalTime& time);

// Called by the main window's one-second timer; says when a
// scheduled run is due. A timer tick may come late and step over the second hh:mm:00 (a busy
// moment, timer drift): when the previous tick was at most kLateTickLimit seconds before, every
// second in between is checked, so that occurrence still fires, once. Longer gaps check only the
// current second. One occurrence (a local date and time) never fires twice, also when two ticks
// fall into one second or the clock is set back.
class SchedulePoller {
public:
    static constexpr std::time_t kLateTickLimit = 60;

    explicit SchedulePoller(const Clock& clock) : m_clock(clock) {}

    // One tick of the timer, at the clock's present time.
    bool tick(const ScheduleTrigger& trigger);

private:
    const Clock& m_clock;
    std::optional<std::time_t> m_lastTick;
    std::optional<std::pair<std::uint32_t, std::uint32_t>> m_lastFired;
};

// The steps of a scheduled run, supplied by the main window.
struct ScheduledRunSteps {
    std::function<void()> acquireAll;  // the acquisition of all printers; saves itself with autoSave
    std::function<void()> saveForMail; // a new automatic file name and the CSV file written to it
    std::function<std::string()> autoFilePath;
    std::function<void(const std::string& path)> sendReportMail;
};

// A scheduled run: acquire all printers; with mail on and auto-save off, save the table to a new
// automatic file for the mail; then mail autoFilePath when mail is on.
void runScheduledReport(const AppSettings& settings, const ScheduledRunSteps& steps);

} // namespace sorpex
