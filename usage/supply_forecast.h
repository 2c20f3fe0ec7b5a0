#pragma once

#include <ctime>
#include <deque>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorpex {

// A supply of a report's Supplies column with a percent ("Black Toner:40%"); the rows that say
// 残あり or 不明 have none.
struct SupplyLevel {
    std::string name; // CP932
    int percent = 0;
};

std::vector<SupplyLevel> parseSupplyLevels(std::string_view supplies);
// The same without copying: `level` is called with each name (a view into `supplies`) and percent.
void forEachSupplyLevel(std::string_view supplies, const std::function<void(std::string_view, int)>& level);

// The percents of one supply over time, fed in time order. Only what a forecast uses is kept:
// the readings since the last refill, and of those the last 90 days.
class SupplySeries {
public:
    void add(std::time_t time, int percent);

    // Whole days from the last reading until the least-squares line through the readings reaches
    // 0 (0 when it is already there); nothing when the supply does not fall.
    std::optional<int> daysUntilEmpty() const;

    static constexpr std::time_t kWindow = 90 * 24 * 60 * 60;

private:
    struct Point {
        std::time_t time;
        int percent;
    };
    std::deque<Point> m_points;
};

} // namespace sorpex
