#pragma once

#include "snmp/status_query.h"

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorpex {

struct PrinterRecord;

namespace printer_oid {
inline constexpr std::string_view kSerialNumber = ".1.3.6.1.2.1.43.5.1.1.17.1";
// Columns of prtMarkerSuppliesTable; a row's index (hrDeviceIndex.supplyIndex) follows them.
inline constexpr std::string_view kSupplyClass = ".1.3.6.1.2.1.43.11.1.1.4";
inline constexpr std::string_view kSupplyType = ".1.3.6.1.2.1.43.11.1.1.5";
inline constexpr std::string_view kSupplyDescription = ".1.3.6.1.2.1.43.11.1.1.6";
inline constexpr std::string_view kSupplyMaxCapacity = ".1.3.6.1.2.1.43.11.1.1.8";
inline constexpr std::string_view kSupplyLevel = ".1.3.6.1.2.1.43.11.1.1.9";
} // namespace printer_oid

// The walk stops after this many rows.
inline constexpr std::size_t kMaxSupplyRows = 32;

// Values of prtMarkerSuppliesClass.
inline constexpr long long kSupplyThatIsConsumed = 3;
inline constexpr long long kReceptacleThatIsFilled = 4;
// prtMarkerSuppliesLevel: "some remaining", amount unknown.
inline constexpr long long kSomeRemaining = -3;

// One row of the supplies table as answered; nothing where the answer was no integer (an object
// the agent lacks answers "Not Support").
struct SupplyRow {
    std::string description; // rendered, CP932
    std::optional<long long> supplyClass;
    std::optional<long long> maxCapacity;
    std::optional<long long> level;
    // prtMarkerSuppliesType, asked only when the class is missing.
    std::optional<long long> supplyType;
};

// The integer of a rendered INTEGER or Gauge answer; nothing for any other text.
std::optional<long long> answerInteger(std::string_view answer);

// level × 100 / maximum, rounded down and capped at 100, when the level is known and the maximum
// positive; nothing otherwise.
std::optional<int> supplyPercent(const SupplyRow& row);

// The lowest percent over the rows that run out (class supplyThatIsConsumed, or no class and a
// type that is no waste container); kNoSupplyPercent when none of them has a percent. Waste
// receptacles fill up and never count.
int lowestSupplyPercent(const std::vector<SupplyRow>& rows);

// "<description>:<percent>%", ":残あり" or ":不明" per row, joined by "; ", CP932: as many whole
// entries as fit in a record's text (1023 bytes), never a part of one.
std::string suppliesText(const std::vector<SupplyRow>& rows);

// The serial number and the supplies of the row's printer into its serialNumber, lowestSupply
// and supplies: one GET for the serial, then the descriptions walked with GETNEXT and three GETs
// per row (four when the class is missing). A request without an answer, or a GETNEXT answer
// that is not after the object asked, ends the walk; the rows answered whole before it are kept.
void askSupplies(PrinterRecord& row, const SnmpTransport& transport);

} // namespace sorpex
