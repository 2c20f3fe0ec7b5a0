#include "ui/list_text.h"

#include "inventory/printer_record.h"

#include <cstdio>

namespace sorpex {
namespace {

constexpr std::uint8_t kNoPaper = 0x40;
constexpr std::uint8_t kNoToner = 0x10;

const char* plainStatus(std::int32_t deviceStatus, std::int32_t printerStatus, std::uint8_t errorState) {
    if (deviceStatus == 0) {
        return ""; // nothing acquired
    }
    if (printerStatus == 4) {
        return "Printing";
    }
    if (printerStatus == 5) {
        return "Warmup";
    }
    if (printerStatus >= 6) {
        return "";
    }
    if (errorState == 0) {
        return "Online";
    }
    if (errorState <= 3) {
        return "Offline";
    }
    if (errorState <= 7) {
        return "Jammed";
    }
    if (errorState == 8) {
        return "DoorOpen";
    }
    // From 9 on only the paper and toner bits are told apart.
    if (errorState & kNoPaper) {
        return "NoPaper";
    }
    if (errorState & kNoToner) {
        return "NoToner";
    }
    return "Online";
}

} // namespace

std::string statusText(std::int32_t deviceStatus, std::int32_t printerStatus, std::uint8_t errorState, bool debug) {
    std::string text = plainStatus(deviceStatus, printerStatus, errorState);
    if (debug && !text.empty()) {
        char detail[64];
        std::snprintf(detail, sizeof detail, "(%d,%d,%X)", deviceStatus, printerStatus, errorState);
        text += detail;
    }
    return text;
}

std::string cellText(const PrinterRecord& row, int column, bool debug) {
    switch (column) {
    case 0:
        return std::to_string(row.id);
    case 1:
        return row.comment.str();
    case 2:
        return row.ipAddress.str();
    case 3:
        return row.model.str();
    case 4:
        return row.count.str();
    case 5:
        return row.sysName.str();
    case 6:
        return row.sysLocation.str();
    case 7:
        return row.sysContact.str();
    case 8:
        return statusText(row.deviceStatus, row.printerStatus, row.errorState, debug);
    case 9:
        return row.serialNumber.str();
    case 10:
        return row.lowestSupply == kNoSupplyPercent ? std::string() : std::to_string(row.lowestSupply) + "%";
    case 11:
        return row.supplies.str();
    default:
        return {};
    }
}

bool isSupplyWarning(const PrinterRecord& row, int supplyWarn) {
    return row.lowestSupply != kNoSupplyPercent && row.lowestSupply <= supplyWarn;
}

} // namespace sorpex
