#pragma once

#include "base/clock.h"

#include <ctime>
#include <optional>
#include <string>
#include <string_view>

namespace sorpex {

struct CalendarDay {
    int year = 1970;
    int month = 1;
    int day = 1;

    friend bool operator==(const CalendarDay&, const CalendarDay&) = default;
};

// The readings a usage table covers: the last reading at or before `start` begins it, the last
// at or before `end` ends it.
struct UsagePeriod {
    std::time_t start = 0;
    std::time_t end = 0;
};

// "YYYY-MM-DD", a day that exists.
std::optional<CalendarDay> parseCalendarDay(std::string_view text);
std::string isoDay(const CalendarDay& day);     // YYYY-MM-DD
std::string compactDay(const CalendarDay& day); // YYYYMMDD

// Whole local days, both inclusive: from the first second of `from` to the last of `to`.
UsagePeriod periodOfDays(const CalendarDay& from, const CalendarDay& to);

// The local instant of a day's hour, minute and second (mktime, the zone's own daylight rule).
std::time_t localInstant(const CalendarDay& day, int hour = 0, int minute = 0, int second = 0);

// The calendar month before the one `today` lies in, and the month so far.
void previousMonth(const LocalTime& today, CalendarDay& from, CalendarDay& to);
void currentMonth(const LocalTime& today, CalendarDay& from, CalendarDay& to);
// The twelve months up to today: from the same day a year ago, plus one.
void pastTwelveMonths(const LocalTime& today, CalendarDay& from, CalendarDay& to);

// yyyy/mm/dd hh:mm:ss, as the usage table shows a reading's time.
std::string readingTimeText(const LocalTime& time);

} // namespace sorpex
