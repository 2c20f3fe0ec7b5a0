#include "snmp/supplies.h"

#include "base/cp932.h"
#include "inventory/printer_record.h"
#include "snmp/snmp_get.h"

#include <algorithm>
#include <charconv>

namespace sorpex {
namespace {

// Rendered values may reach 1023 bytes; a level beyond this is no level of a real supply and
// keeps level × 100 inside 64 bits.
constexpr long long kLargestValue = 1LL << 40;

std::string columnOid(std::string_view column, std::string_view index) {
    return std::string(column) + "." + std::string(index);
}

// The row index of a description's identifier: what follows the column and its dot. Empty when
// the identifier is outside the column (the walk has left it).
std::string_view rowIndex(std::string_view name) {
    const std::string_view column = printer_oid::kSupplyDescription;
    if (name.size() <= column.size() + 1 || name.substr(0, column.size()) != column || name[column.size()] != '.') {
        return {};
    }
    return name.substr(column.size() + 1);
}

// True when the dotted identifier `after` comes after `before` in the agent's order: arc by arc,
// a prefix first. An agent that answers otherwise would lead the walk round in a circle.
bool comesAfter(std::string_view after, std::string_view before) {
    // One arc without its leading zeros; by length first, then by bytes, digits compare as numbers
    // of any size.
    auto nextArc = [](std::string_view& text) {
        if (!text.empty() && text.front() == '.') {
            text.remove_prefix(1);
        }
        const std::size_t dot = std::min(text.find('.'), text.size());
        std::string_view arc = text.substr(0, dot);
        text.remove_prefix(dot);
        arc.remove_prefix(std::min(arc.find_first_not_of('0'), arc.size()));
        return arc;
    };
    while (!before.empty()) {
        if (after.empty()) {
            return false;
        }
        const std::string_view a = nextArc(after), b = nextArc(before);
        if (a.size() != b.size()) {
            return a.size() > b.size();
        }
        if (a != b) {
            return a > b;
        }
    }
    return !after.empty();
}

// prtMarkerSuppliesType values of containers that fill up: waste toner, ink, wax, water, paper.
bool isWasteType(long long type) {
    return type == 4 || type == 8 || type == 14 || type == 24 || type == 26;
}

} // namespace

std::optional<long long> answerInteger(std::string_view answer) {
    long long value = 0;
    const char* end = answer.data() + answer.size();
    auto [next, error] = std::from_chars(answer.data(), end, value);
    if (answer.empty() || error != std::errc() || next != end || value > kLargestValue || value < -kLargestValue) {
        return std::nullopt;
    }
    return value;
}

std::optional<int> supplyPercent(const SupplyRow& row) {
    if (!row.level || !row.maxCapacity || *row.level < 0 || *row.maxCapacity <= 0) {
        return std::nullopt;
    }
    return static_cast<int>(std::min(*row.level * 100 / *row.maxCapacity, 100LL));
}

int lowestSupplyPercent(const std::vector<SupplyRow>& rows) {
    int lowest = kNoSupplyPercent;
    for (const SupplyRow& row : rows) {
        std::optional<int> percent = supplyPercent(row);
        const bool runsOut = row.supplyClass ? *row.supplyClass == kSupplyThatIsConsumed
                                             : !(row.supplyType && isWasteType(*row.supplyType));
        if (runsOut && percent && (lowest == kNoSupplyPercent || *percent < lowest)) {
            lowest = *percent;
        }
    }
    return lowest;
}

std::string suppliesText(const std::vector<SupplyRow>& rows) {
    static const std::string someRemaining = cp932::fromUtf8("残あり");
    static const std::string unknown = cp932::fromUtf8("不明");
    // A record cuts its text at 1023 bytes, which may fall in a percent ("…:4" for 40 %).
    constexpr std::size_t kLimit = kTextWidth - 1;
    std::string text;
    for (const SupplyRow& row : rows) {
        std::string entry = text.empty() ? std::string() : std::string("; ");
        entry += row.description;
        entry += ':';
        if (std::optional<int> percent = supplyPercent(row)) {
            entry += std::to_string(*percent) + "%";
        } else if (row.level == kSomeRemaining) {
            entry += someRemaining;
        } else {
            entry += unknown;
        }
        if (text.size() + entry.size() > kLimit) {
            break;
        }
        text += entry;
    }
    return text;
}

void askSupplies(PrinterRecord& row, const SnmpTransport& transport) {
    std::string answer;
    auto ask = [&](std::string_view oid) {
        return transport.get(row.ipAddress.view(), row.community.view(), oid, answer) == kSnmpAnswered;
    };
    if (!ask(printer_oid::kSerialNumber)) {
        return;
    }
    if (answer != "Not Support") {
        row.serialNumber.set(answer);
    }

    if (transport.prefetchWalk) {
        // Over v2c and v3 the walk comes with GETBULK and the rows' cells in one GET; the loop
        // below reads them from the transport as it would ask them over v1.
        transport.prefetchWalk(printer_oid::kSupplyDescription, kMaxSupplyRows,
                               {printer_oid::kSupplyClass, printer_oid::kSupplyType, printer_oid::kSupplyMaxCapacity,
                                printer_oid::kSupplyLevel});
    }
    std::vector<SupplyRow> rows;
    std::string name = std::string(printer_oid::kSupplyDescription);
    while (rows.size() < kMaxSupplyRows) {
        std::string next;
        bool answered =
            transport.getNext(row.ipAddress.view(), row.community.view(), name, next, answer) == kSnmpAnswered;
        const std::string index(rowIndex(next));
        if (!answered || index.empty() || !comesAfter(next, name)) {
            break;
        }
        SupplyRow supply;
        supply.description = answer;
        answered = ask(columnOid(printer_oid::kSupplyClass, index));
        supply.supplyClass = answerInteger(answer);
        if (answered && !supply.supplyClass) {
            answered = ask(columnOid(printer_oid::kSupplyType, index));
            supply.supplyType = answerInteger(answer);
        }
        answered = answered && ask(columnOid(printer_oid::kSupplyMaxCapacity, index));
        supply.maxCapacity = answerInteger(answer);
        answered = answered && ask(columnOid(printer_oid::kSupplyLevel, index));
        supply.level = answerInteger(answer);
        if (!answered) {
            break;
        }
        rows.push_back(std::move(supply));
        name = std::move(next);
    }
    row.lowestSupply = lowestSupplyPercent(rows);
    row.supplies.set(suppliesText(rows));
}

} // namespace sorpex
