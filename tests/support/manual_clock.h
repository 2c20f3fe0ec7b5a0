#pragma once

#include "base/clock.h"

#include <ctime>

namespace sorpex::test {

// A clock the test moves by hand. Its local time is the system's, or UTC, so that a test reads
// the same in every time zone.
class ManualClock : public Clock {
public:
    enum Zone { SystemZone, Utc };
    explicit ManualClock(std::time_t now = 0, Zone zone = SystemZone) : m_now(now), m_zone(zone) {}

    std::time_t now() const override { return m_now; }
    LocalTime toLocal(std::time_t time) const override {
        if (m_zone == SystemZone) {
            return localTimeAt(time);
        }
        std::tm parts{};
        gmtime_r(&time, &parts);
        return fromTm(parts);
    }
    void set(std::time_t now) { m_now = now; }

private:
    std::time_t m_now;
    Zone m_zone;
};

} // namespace sorpex::test
