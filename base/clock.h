#pragma once

#include <ctime>

namespace sorpex {

// One instant as the local clock shows it.
struct LocalTime {
    int year = 1970;
    int month = 1; // 1..12
    int day = 1;   // 1..31
    int hour = 0;
    int minute = 0;
    int second = 0;
    int weekday = 4; // 0 Sunday .. 6 Saturday, as in std::tm
};

LocalTime fromTm(const std::tm& time);
// In the system's time zone.
LocalTime localTimeAt(std::time_t time);

// The clock the program reads wherever time matters to the user: the schedule and the time
// stamps of the automatic file names. This one is the system's; tests hand in their own.
class Clock {
public:
    virtual ~Clock() = default;

    virtual std::time_t now() const { return std::time(nullptr); }
    virtual LocalTime toLocal(std::time_t time) const { return localTimeAt(time); }

    LocalTime localNow() const { return toLocal(now()); }
};

} // namespace sorpex
