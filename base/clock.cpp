#include "base/clock.h"

namespace sorpex {

LocalTime fromTm(const std::tm& time) {
    LocalTime local;
    local.year = time.tm_year + 1900;
    local.month = time.tm_mon + 1;
    local.day = time.tm_mday;
    local.hour = time.tm_hour;
    local.minute = time.tm_min;
    local.second = time.tm_sec;
    local.weekday = time.tm_wday;
    return local;
}

LocalTime localTimeAt(std::time_t time) {
    std::tm parts{};
    localtime_r(&time, &parts);
    return fromTm(parts);
}

} // namespace sorpex
