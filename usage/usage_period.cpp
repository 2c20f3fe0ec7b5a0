#include "usage/usage_period.h"

#include <algorithm>
#include <cstdio>

namespace sorpex {
namespace {

int daysInMonth(int year, int month) {
    static const int days[] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    const bool leap = (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
    return month == 2 && leap ? 29 : days[month - 1];
}

CalendarDay dayOf(std::time_t time) {
    LocalTime local = localTimeAt(time);
    return {local.year, local.month, local.day};
}

} // namespace

std::optional<CalendarDay> parseCalendarDay(std::string_view text) {
    if (text.size() != 10 || text[4] != '-' || text[7] != '-') {
        return std::nullopt;
    }
    auto number = [&](std::size_t at, std::size_t length) {
        int n = 0;
        for (std::size_t i = at; i < at + length; ++i) {
            if (text[i] < '0' || text[i] > '9') {
                return -1;
            }
            n = n * 10 + (text[i] - '0');
        }
        return n;
    };
    CalendarDay day{number(0, 4), number(5, 2), number(8, 2)};
    if (day.year < 1970 || day.month < 1 || day.month > 12 || day.day < 1 ||
        day.day > daysInMonth(day.year, day.month)) {
        return std::nullopt;
    }
    return day;
}

std::string isoDay(const CalendarDay& day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d-%02d-%02d", day.year, day.month, day.day);
    return text;
}

std::string compactDay(const CalendarDay& day) {
    char text[16];
    std::snprintf(text, sizeof text, "%04d%02d%02d", day.year, day.month, day.day);
    return text;
}

std::time_t localInstant(const CalendarDay& day, int hour, int minute, int second) {
    std::tm parts{};
    parts.tm_year = day.year - 1900;
    parts.tm_mon = day.month - 1;
    parts.tm_mday = day.day;
    parts.tm_hour = hour;
    parts.tm_min = minute;
    parts.tm_sec = second;
    parts.tm_isdst = -1;
    return std::mktime(&parts);
}

UsagePeriod periodOfDays(const CalendarDay& from, const CalendarDay& to) {
    // The day after `to` by the calendar, not by 86400 seconds: a day may be 23 or 25 hours long.
    CalendarDay next = to;
    if (++next.day > daysInMonth(next.year, next.month)) {
        next.day = 1;
        if (++next.month > 12) {
            next.month = 1;
            ++next.year;
        }
    }
    return {localInstant(from), localInstant(next) - 1};
}

void previousMonth(const LocalTime& today, CalendarDay& from, CalendarDay& to) {
    int year = today.year;
    int month = today.month - 1;
    if (month == 0) {
        month = 12;
        --year;
    }
    from = {year, month, 1};
    to = {year, month, daysInMonth(year, month)};
}

void currentMonth(const LocalTime& today, CalendarDay& from, CalendarDay& to) {
    from = {today.year, today.month, 1};
    to = {today.year, today.month, today.day};
}

void pastTwelveMonths(const LocalTime& today, CalendarDay& from, CalendarDay& to) {
    to = {today.year, today.month, today.day};
    // A year back and a day on; 29 February a year back does not exist, 1 March does.
    CalendarDay yearAgo{today.year - 1, today.month, std::min(today.day, daysInMonth(today.year - 1, today.month))};
    from = dayOf(localInstant(yearAgo, 12) + 24 * 60 * 60);
}

std::string readingTimeText(const LocalTime& time) {
    char text[32];
    std::snprintf(text, sizeof text, "%04d/%02d/%02d %02d:%02d:%02d", time.year, time.month, time.day, time.hour,
                  time.minute, time.second);
    return text;
}

} // namespace sorpex
