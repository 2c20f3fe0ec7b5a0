#pragma once

#include "base/snmp_version.h"
#include "inventory/fixed_text.h"

#include <cstdint>
#include <type_traits>

namespace sorpex {

// Widths of the text fields in bytes, the terminating NUL included.
inline constexpr std::size_t kIpAddressWidth = 20;
inline constexpr std::size_t kCommunityWidth = 256;
inline constexpr std::size_t kTextWidth = 1024;
inline constexpr std::size_t kAlertDescriptionWidth = 131;
inline constexpr std::size_t kSerialNumberWidth = 256; // prtGeneralSerialNumber is at most 255 bytes

// PrinterRecord::lowestSupply when no supply has a percent.
inline constexpr std::int32_t kNoSupplyPercent = -1;

// Special values of PrinterRecord::id.
inline constexpr std::int32_t kEmptySlotId = 0;
inline constexpr std::int32_t kTerminatorId = -1;

using IpAddressText = FixedText<kIpAddressWidth>;
using CommunityText = FixedText<kCommunityWidth>;
using RecordText = FixedText<kTextWidth>;

// One printer. A value-initialised record is all zero (numbers 0, texts empty), but for
// lowestSupply, which is kNoSupplyPercent.
struct PrinterRecord {
    std::int32_t id = 0;        // 1 or more for a live row; kEmptySlotId, kTerminatorId
    std::int32_t scratch = 0;   // pending new ID while deleting; the slot index during a run
    std::int32_t fromRange = 0; // appended by a range scan whose query has not finished yet
    std::int32_t acquire = 0;   // takes part in the next acquisition run
    IpAddressText ipAddress;
    CommunityText community;
    RecordText model;
    RecordText count;
    RecordText comment;
    RecordText sysContact;
    RecordText sysName;
    RecordText sysLocation;
    RecordText sysDescr;
    std::int32_t deviceStatus = 0; // hrDeviceStatus; 0 when nothing was acquired
    std::int32_t printerStatus = 0;
    std::uint8_t errorState = 0; // first octet of hrPrinterDetectedErrorState
    FixedText<kAlertDescriptionWidth> alertDescription;
    // Acquired only with the Supplies setting on.
    FixedText<kSerialNumberWidth> serialNumber;
    std::int32_t lowestSupply = kNoSupplyPercent;   // lowest percent of the supplies that run out
    RecordText supplies;                            // "<description>:<percent>%; ..." in walk order
    SnmpVersion snmpVersion = SnmpVersion::Default; // Default: the settings' Version

    bool isLive() const { return id != kEmptySlotId && id != kTerminatorId; }
};

// Records are swapped and copied whole by the table operations.
static_assert(std::is_trivially_copyable_v<PrinterRecord>);

} // namespace sorpex
