#pragma once

#include "usage/report_reader.h"
#include "usage/supply_forecast.h"
#include "usage/usage_period.h"

#include <cstdint>
#include <ctime>
#include <optional>
#include <string>
#include <unordered_map>
#include <utility>
#include <vector>

namespace sorpex {

struct SupplyForecast {
    std::string name; // CP932
    int days = 0;
};

// One row of the usage table: one printer over the period.
struct PrinterUsage {
    std::string comment; // CP932, as the newest report that names it has it
    std::string ipAddress;
    std::string serialNumber;
    std::string model;
    std::optional<std::time_t> startTime; // the reading the period starts from
    std::uint64_t startCount = 0;
    std::optional<std::time_t> endTime;
    std::uint64_t endCount = 0;
    std::optional<std::uint64_t> pages; // none with fewer than two readings
    bool counterDecreased = false;
    bool replaced = false;                 // another printer took its address, or it took another's, in the period
    bool answeredLast = false;             // answered in the newest report that names it
    std::vector<SupplyForecast> forecasts; // the falling supplies, soonest first
    std::vector<SupplyLevel> supplies;     // as the newest answer gave them
    std::optional<int> lowestSupply;       // likewise: the emptiest supply that runs out
    std::vector<std::pair<int, std::uint64_t>> monthlyPages; // yyyymm, pages; oldest first
};

struct UsageTable {
    std::vector<PrinterUsage> rows; // in the order of the newest report that names them
    bool withSupplies = false;      // some report read had the supplies columns
    int newestRows = 0;             // printers of the newest report in the period
    int newestAnswered = 0;         // and of those the ones that answered
};

// Follows the printers through reports fed in time order, with only the readings the pages rule
// and the forecast need: a printer is followed by its address, and a serial number other than the
// last seen at that address starts another printer there.
class UsageTracker {
public:
    explicit UsageTracker(UsagePeriod period) : m_period(period) {}

    void beginReport(std::time_t time, ReportKind kind);
    // False when the counter is no number (the reading is ignored).
    bool addLine(const ReportLine& line);
    UsageTable finish() const;

private:
    struct Reading {
        std::time_t time = 0;
        std::uint64_t count = 0;
    };
    struct Printer {
        PrinterUsage usage;
        std::optional<Reading> start;
        std::optional<Reading> last;
        int readings = 0;
        bool namedInPeriod = false;
        int lastReport = -1;
        int lastRow = 0;
        std::vector<std::pair<std::string, SupplySeries>> series;
        std::string supplies; // the Supplies column of the newest answer
    };
    struct Address {
        std::size_t printer = 0;
        std::string serialNumber; // the last one seen there
    };

    std::size_t printerAt(const ReportLine& line);
    void addReading(Printer& printer, std::uint64_t count);
    void addSupplies(Printer& printer, const ReportLine& line);

    UsagePeriod m_period;
    std::vector<Printer> m_printers;
    std::unordered_map<std::string, Address> m_addresses;
    std::time_t m_time = 0;
    int m_month = 0; // yyyymm of m_time
    int m_report = -1;
    ReportKind m_kind = ReportKind::Classic;
    bool m_inPeriod = false;
    bool m_withSupplies = false;
    int m_newestReport = -1;
    int m_newestRows = 0;
    int m_newestAnswered = 0;
};

} // namespace sorpex
