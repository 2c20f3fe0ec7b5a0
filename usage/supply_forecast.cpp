#include "usage/supply_forecast.h"

#include <algorithm>
#include <cmath>

namespace sorpex {

std::vector<SupplyLevel> parseSupplyLevels(std::string_view supplies) {
    std::vector<SupplyLevel> levels;
    forEachSupplyLevel(supplies, [&](std::string_view name, int percent) {
        levels.push_back({std::string(name), percent});
    });
    return levels;
}

void forEachSupplyLevel(std::string_view supplies, const std::function<void(std::string_view, int)>& level) {
    while (!supplies.empty()) {
        const std::size_t end = supplies.find("; ");
        std::string_view item = supplies.substr(0, end);
        supplies = end == std::string_view::npos ? std::string_view() : supplies.substr(end + 2);
        // A description may hold a colon; the value follows the last one.
        const std::size_t colon = item.rfind(':');
        if (colon == std::string_view::npos || colon == 0 || item.size() < colon + 3 || item.back() != '%') {
            continue;
        }
        std::string_view digits = item.substr(colon + 1, item.size() - colon - 2);
        if (digits.size() > 3) {
            continue;
        }
        int percent = 0;
        bool number = true;
        for (char c : digits) {
            number = number && c >= '0' && c <= '9';
            percent = percent * 10 + (c - '0');
        }
        if (number && percent <= 100) {
            level(item.substr(0, colon), percent);
        }
    }
}

void SupplySeries::add(std::time_t time, int percent) {
    // A rise is a new cartridge: the line starts again from it.
    if (!m_points.empty() && percent > m_points.back().percent) {
        m_points.clear();
    }
    m_points.push_back({time, percent});
    while (m_points.front().time < time - kWindow) {
        m_points.pop_front();
    }
}

std::optional<int> SupplySeries::daysUntilEmpty() const {
    if (m_points.size() < 2 || m_points.front().percent <= m_points.back().percent) {
        return std::nullopt;
    }
    // Days since the first reading keep the sums small and exact enough.
    const double origin = static_cast<double>(m_points.front().time);
    const double n = static_cast<double>(m_points.size());
    double sumX = 0, sumY = 0;
    for (const Point& p : m_points) {
        sumX += (static_cast<double>(p.time) - origin) / 86400.0;
        sumY += p.percent;
    }
    const double meanX = sumX / n;
    const double meanY = sumY / n;
    double sxx = 0, sxy = 0;
    for (const Point& p : m_points) {
        const double dx = (static_cast<double>(p.time) - origin) / 86400.0 - meanX;
        sxx += dx * dx;
        sxy += dx * (p.percent - meanY);
    }
    if (sxx <= 0 || sxy >= 0) {
        return std::nullopt;
    }
    const double slope = sxy / sxx;
    const double zeroAt = meanX - meanY / slope;
    const double last = (static_cast<double>(m_points.back().time) - origin) / 86400.0;
    const double days = std::ceil(zeroAt - last - 1e-9);
    return days <= 0 ? 0 : static_cast<int>(std::min(days, 99999.0));
}

} // namespace sorpex
