#include "usage/usage_tracker.h"

#include <algorithm>

namespace sorpex {

void UsageTracker::beginReport(std::time_t time, ReportKind kind) {
    m_time = time;
    const LocalTime local = localTimeAt(time);
    m_month = local.year * 100 + local.month;
    ++m_report;
    m_kind = kind;
    m_inPeriod = time >= m_period.start && time <= m_period.end;
    m_withSupplies = m_withSupplies || kind == ReportKind::WithSupplies;
    if (m_inPeriod) {
        m_newestReport = m_report;
        m_newestRows = 0;
        m_newestAnswered = 0;
    }
}

std::size_t UsageTracker::printerAt(const ReportLine& line) {
    auto [it, added] = m_addresses.try_emplace(line.ipAddress);
    Address& address = it->second;
    const bool otherSerial =
        !line.serialNumber.empty() && !address.serialNumber.empty() && line.serialNumber != address.serialNumber;
    if (added || otherSerial) {
        const bool replacedNow = otherSerial && m_time > m_period.start;
        if (replacedNow) {
            m_printers[address.printer].usage.replaced = true;
        }
        address.printer = m_printers.size();
        Printer& printer = m_printers.emplace_back();
        printer.usage.ipAddress = line.ipAddress;
        printer.usage.replaced = replacedNow;
    }
    if (!line.serialNumber.empty()) {
        address.serialNumber = line.serialNumber;
        m_printers[address.printer].usage.serialNumber = line.serialNumber;
    }
    return address.printer;
}

bool UsageTracker::addLine(const ReportLine& line) {
    if (m_time > m_period.end) {
        return true;
    }
    Printer& printer = m_printers[printerAt(line)];
    if (printer.lastReport == m_report) {
        return true; // the same address twice in one report: its first line counts
    }
    printer.usage.comment = line.comment;
    printer.lastReport = m_report;
    printer.lastRow = line.row;
    printer.namedInPeriod = printer.namedInPeriod || m_inPeriod;

    std::uint64_t count = 0;
    const CounterKind kind = parseCounter(line.count, count);
    printer.usage.answeredLast = kind == CounterKind::Reading;
    if (m_inPeriod) {
        ++m_newestRows;
        m_newestAnswered += kind == CounterKind::Reading ? 1 : 0;
    }
    if (kind != CounterKind::Reading) {
        return kind == CounterKind::NoReading;
    }
    printer.usage.model = line.model;
    addReading(printer, count);
    if (m_kind == ReportKind::WithSupplies) {
        addSupplies(printer, line);
    }
    return true;
}

void UsageTracker::addReading(Printer& printer, std::uint64_t count) {
    const Reading reading{m_time, count};
    PrinterUsage& usage = printer.usage;
    if (m_time <= m_period.start || !printer.last) {
        // The last reading at or before the start (or the first after it) begins the period.
        printer.start = reading;
        printer.last = reading;
        printer.readings = 1;
        usage.pages = 0;
        usage.counterDecreased = false;
        usage.monthlyPages.clear();
        return;
    }
    if (count >= printer.last->count) {
        const std::uint64_t added = count - printer.last->count;
        *usage.pages += added;
        if (usage.monthlyPages.empty() || usage.monthlyPages.back().first != m_month) {
            usage.monthlyPages.emplace_back(m_month, 0);
        }
        usage.monthlyPages.back().second += added;
    } else {
        // A reset counter: the pages before it are not known, none are made up.
        usage.counterDecreased = true;
    }
    printer.last = reading;
    ++printer.readings;
}

void UsageTracker::addSupplies(Printer& printer, const ReportLine& line) {
    printer.supplies = line.supplies;
    std::uint64_t lowest = 0;
    printer.usage.lowestSupply.reset();
    if (parseCounter(line.lowestSupply, lowest) == CounterKind::Reading && lowest <= 100) {
        printer.usage.lowestSupply = static_cast<int>(lowest);
    }
    forEachSupplyLevel(line.supplies, [&](std::string_view name, int percent) {
        auto it = std::find_if(printer.series.begin(), printer.series.end(),
                               [&](const auto& entry) { return entry.first == name; });
        if (it == printer.series.end()) {
            it = printer.series.insert(printer.series.end(), {std::string(name), SupplySeries()});
        }
        it->second.add(m_time, percent);
    });
}

UsageTable UsageTracker::finish() const {
    std::vector<const Printer*> named;
    for (const Printer& printer : m_printers) {
        if (printer.namedInPeriod) {
            named.push_back(&printer);
        }
    }
    std::stable_sort(named.begin(), named.end(), [](const Printer* a, const Printer* b) {
        return a->lastReport != b->lastReport ? a->lastReport > b->lastReport : a->lastRow < b->lastRow;
    });
    UsageTable table;
    table.withSupplies = m_withSupplies;
    table.newestRows = m_newestRows;
    table.newestAnswered = m_newestAnswered;
    for (const Printer* printer : named) {
        PrinterUsage usage = printer->usage;
        usage.supplies = parseSupplyLevels(printer->supplies);
        if (printer->start) {
            usage.startTime = printer->start->time;
            usage.startCount = printer->start->count;
            usage.endTime = printer->last->time;
            usage.endCount = printer->last->count;
        }
        if (printer->readings < 2) {
            usage.pages.reset();
            usage.monthlyPages.clear();
        }
        for (const auto& [name, series] : printer->series) {
            if (std::optional<int> days = series.daysUntilEmpty()) {
                usage.forecasts.push_back({name, *days});
            }
        }
        std::stable_sort(usage.forecasts.begin(), usage.forecasts.end(),
                         [](const SupplyForecast& a, const SupplyForecast& b) { return a.days < b.days; });
        table.rows.push_back(std::move(usage));
    }
    return table;
}

} // namespace sorpex
