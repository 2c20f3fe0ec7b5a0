#include "app/scheduler.h"
#include "tests/support/manual_clock.h"

#include <gtest/gtest.h>

#include <set>
#include <tuple>
#include <vector>

namespace sorpex {
namespace {

// The tests' clock is UTC, so that they read the same in every time zone.
const test::ManualClock kUtc(0, test::ManualClock::Utc);

LocalTime utcTime(std::time_t time) {
    return kUtc.toLocal(time);
}

// A poller on a clock of its own.
struct Poller {
    test::ManualClock clock{0, test::ManualClock::Utc};
    SchedulePoller poller{clock};
};

std::time_t utc(int year, int month, int day, int hour = 0, int minute = 0, int second = 0) {
    std::tm parts{};
    parts.tm_year = year - 1900;
    parts.tm_mon = month - 1;
    parts.tm_mday = day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    return timegm(&parts);
}

ScheduleTrigger trigger(ScheduleCycle cycle, int hour, int minute, int dayIndex = 0,
                        std::vector<Weekday> weekdays = {}) {
    AppSettings settings;
    settings.scheduleCycle = cycle;
    settings.scheduleHour = hour;
    settings.scheduleMinuteIndex = minute / 5;
    settings.scheduleDayIndex = dayIndex;
    for (Weekday day : weekdays) {
        settings.scheduleWeekdays[day] = true;
    }
    deriveScheduleTrigger(settings);
    return settings.trigger;
}

// Every instant from `from` to `to` at `step` seconds where the trigger matches.
std::vector<std::time_t> matches(const ScheduleTrigger& t, std::time_t from, std::time_t to, std::time_t step) {
    std::vector<std::time_t> found;
    for (std::time_t time = from; time <= to; time += step) {
        if (scheduleMatches(t, utcTime(time))) {
            found.push_back(time);
        }
    }
    return found;
}

constexpr std::time_t kDay = 86400;

TEST(ScheduleMatching, DailyAtNineOFiveFiresOnlyInTheSecondNineOFiveZero) {
    const ScheduleTrigger daily = trigger(ScheduleCycle::Daily, 9, 5);
    EXPECT_EQ(matches(daily, utc(2028, 2, 28), utc(2028, 3, 1, 23, 59, 59), 1),
              (std::vector<std::time_t>{utc(2028, 2, 28, 9, 5), utc(2028, 2, 29, 9, 5), utc(2028, 3, 1, 9, 5)}));
}

TEST(ScheduleMatching, WeeklyFiresOnTheChosenWeekdaysOnly) {
    const ScheduleTrigger weekly = trigger(ScheduleCycle::Weekly, 23, 55, 0, {Tuesday, Friday});
    EXPECT_EQ(weekly.weekdayBits, 18u);
    // 2 January 2028 is a Sunday.
    const std::time_t start = utc(2028, 1, 2, 23, 55);
    std::vector<int> days;
    for (std::time_t time : matches(weekly, start, start + 27 * kDay, kDay)) {
        days.push_back(utcTime(time).day);
    }
    EXPECT_EQ(days, (std::vector<int>{4, 7, 11, 14, 18, 21, 25, 28}));
    EXPECT_FALSE(scheduleMatches(weekly, utcTime(utc(2028, 1, 4, 23, 55, 1))));

    const ScheduleTrigger sunday = trigger(ScheduleCycle::Weekly, 0, 0, 0, {Sunday});
    EXPECT_TRUE(scheduleMatches(sunday, utcTime(utc(2028, 1, 2))));
    EXPECT_FALSE(scheduleMatches(sunday, utcTime(utc(2028, 1, 3))));
}

TEST(ScheduleMatching, LastDayOfTheMonthFollowsMonthLengthsAndLeapYears) {
    const ScheduleTrigger lastDay = trigger(ScheduleCycle::Monthly, 6, 0, 30);
    ASSERT_EQ(lastDay.dateKey, 32u);
    for (int year : {2027, 2028}) {
        std::vector<std::pair<int, int>> fired;
        for (std::time_t time : matches(lastDay, utc(year, 1, 1, 6), utc(year, 12, 31, 6), kDay)) {
            fired.emplace_back(utcTime(time).month, utcTime(time).day);
        }
        const int february = year == 2028 ? 29 : 28;
        EXPECT_EQ(fired, (std::vector<std::pair<int, int>>{{1, 31},
                                                           {2, february},
                                                           {3, 31},
                                                           {4, 30},
                                                           {5, 31},
                                                           {6, 30},
                                                           {7, 31},
                                                           {8, 31},
                                                           {9, 30},
                                                           {10, 31},
                                                           {11, 30},
                                                           {12, 31}}));
    }
    // Centuries are leap years only every 400 years.
    EXPECT_TRUE(scheduleMatches(lastDay, utcTime(utc(2000, 2, 29, 6))));
    EXPECT_TRUE(scheduleMatches(lastDay, utcTime(utc(2100, 2, 28, 6))));
}

TEST(ScheduleMatching, DayThirtyIsSkippedInFebruary) {
    const ScheduleTrigger thirtieth = trigger(ScheduleCycle::Monthly, 6, 0, 29);
    std::vector<std::pair<int, int>> fired;
    for (std::time_t time : matches(thirtieth, utc(2028, 1, 1, 6), utc(2028, 4, 30, 6), kDay)) {
        fired.emplace_back(utcTime(time).month, utcTime(time).day);
    }
    EXPECT_EQ(fired, (std::vector<std::pair<int, int>>{{1, 30}, {3, 30}, {4, 30}}));
}

TEST(ScheduleMatching, NoneNeverFires) {
    const ScheduleTrigger none = trigger(ScheduleCycle::None, 0, 0);
    EXPECT_TRUE(matches(none, utc(2028, 2, 28), utc(2028, 3, 1), 1).empty());
    EXPECT_FALSE(scheduleMatches(none, LocalTime{}));
}

// Ticks of the one-second timer at the given instants; gives the instants at which a run started.
std::vector<std::time_t> fired(Poller& poller, const ScheduleTrigger& t, const std::vector<std::time_t>& ticks) {
    std::vector<std::time_t> runs;
    for (std::time_t tick : ticks) {
        poller.clock.set(tick);
        if (poller.poller.tick(t)) {
            runs.push_back(tick);
        }
    }
    return runs;
}

TEST(SchedulePoller, ALateTickStillFiresTheSkippedOccurrenceOnce) {
    const ScheduleTrigger daily = trigger(ScheduleCycle::Daily, 9, 5);
    const std::time_t due = utc(2028, 2, 29, 9, 5);
    {
        Poller poller;
        EXPECT_EQ(fired(poller, daily, {due - 2, due - 1, due + 1, due + 2, due + 3}),
                  std::vector<std::time_t>{due + 1});
    }
    {
        // The longest gap still mended: 60 seconds.
        Poller poller;
        EXPECT_EQ(fired(poller, daily, {due - 1, due + 59, due + 60}), std::vector<std::time_t>{due + 59});
    }
    {
        // A longer gap, such as a run still going on at hh:mm:00, misses the occurrence.
        Poller poller;
        EXPECT_TRUE(fired(poller, daily, {due - 1, due + 60, due + 61}).empty());
    }
    {
        // The next day's occurrence fires as usual.
        Poller poller;
        EXPECT_EQ(fired(poller, daily, {due - 1, due + 60, due + kDay - 1, due + kDay}),
                  std::vector<std::time_t>{due + kDay});
    }
}

TEST(SchedulePoller, NoOccurrenceFiresTwice) {
    const ScheduleTrigger daily = trigger(ScheduleCycle::Daily, 9, 5);
    const std::time_t due = utc(2028, 2, 29, 9, 5);
    // Two ticks in the same second, as a jittery timer gives them.
    Poller sameSecond;
    EXPECT_EQ(fired(sameSecond, daily, {due - 1, due, due, due + 1}), std::vector<std::time_t>{due});
    // The clock set back across the occurrence after it fired.
    Poller setBack;
    EXPECT_EQ(fired(setBack, daily, {due, due + 1, due - 2, due - 1, due, due + 1}), std::vector<std::time_t>{due});
    // A whole day of ticks, each late by up to three seconds, fires once.
    Poller jitter;
    std::vector<std::time_t> ticks;
    for (std::time_t time = utc(2028, 2, 29); time < utc(2028, 3, 1); time += 1 + (time * 7919) % 3) {
        ticks.push_back(time);
    }
    EXPECT_EQ(fired(jitter, daily, ticks).size(), 1u);
}

TEST(ScheduledRun, SavesForTheMailOnlyWhenTheRunDidNotSaveItself) {
    auto steps = [](std::vector<std::string>& log) {
        ScheduledRunSteps s;
        s.acquireAll = [&log] { log.push_back("acquire"); };
        s.saveForMail = [&log] { log.push_back("save"); };
        s.autoFilePath = [] { return std::string("/data/SORPEX_20280229090500.csv"); };
        s.sendReportMail = [&log](const std::string& path) { log.push_back("mail " + path); };
        return s;
    };
    using Log = std::vector<std::string>;
    for (auto [mail, autoSave, expected] :
         {std::tuple{true, false, Log{"acquire", "save", "mail /data/SORPEX_20280229090500.csv"}},
          std::tuple{true, true, Log{"acquire", "mail /data/SORPEX_20280229090500.csv"}},
          std::tuple{false, false, Log{"acquire"}}, std::tuple{false, true, Log{"acquire"}}}) {
        AppSettings settings;
        settings.mailEnabled = mail;
        settings.autoSave = autoSave;
        Log log;
        runScheduledReport(settings, steps(log));
        EXPECT_EQ(log, expected) << mail << autoSave;
    }
}

} // namespace
} // namespace sorpex
