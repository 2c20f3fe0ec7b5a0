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
        const bool runsOut = !row.supplyClass || *row.supplyClass == kSupplyThatIsConsumed;
        if (runsOut && percent && (lowest == kNoSupplyPercent || *percent < lowest)) {
            lowest = *percent;
        }
    }
    return lowest;
}

std::string suppliesText(const std::vector<SupplyRow>& rows) {
    static const std::string someRemaining = cp932::fromUtf8("残あり");
    static const std::string unknown = cp932::fromUtf8("不明");
    std::string text;
    for (const SupplyRow& row : rows) {
        if (!text.empty()) {
            text += "; ";
        }
        text += row.description;
        text += ':';
        if (std::optional<int> percent = supplyPercent(row)) {
            text += std::to_string(*percent) + "%";
        } else if (row.level == kSomeRemaining) {
            text += someRemaining;
        } else {
            text += unknown;
        }
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

    std::vector<SupplyRow> rows;
    std::string name = std::string(printer_oid::kSupplyDescription);
    while (rows.size() < kMaxSupplyRows) {
        std::string next;
        bool answered =
            transport.getNext(row.ipAddress.view(), row.community.view(), name, next, answer) == kSnmpAnswered;
        const std::string index(rowIndex(next));
        if (!answered || index.empty()) {
            break;
        }
        SupplyRow supply;
        supply.description = answer;
        answered = ask(columnOid(printer_oid::kSupplyClass, index));
        supply.supplyClass = answerInteger(answer);
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
