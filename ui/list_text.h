#pragma once

#include <cstdint>
#include <string>

namespace sorpex {

struct PrinterRecord;

// The Status column: "Online", "Offline", "Jammed", "DoorOpen", "NoPaper", "NoToner",
// "Printing", "Warmup" or empty; with `debug` a non-empty text is followed by the three raw
// values, as in "NoPaper(2,3,40)".
std::string statusText(std::int32_t deviceStatus, std::int32_t printerStatus, std::uint8_t errorState, bool debug);

// How the list shows the table, from the settings.
struct ListOptions {
    bool debug = false;    // Debug=YES: status texts with their raw values
    bool supplies = false; // the three supplies columns after the ninth
    int supplyWarn = 10;   // a lowest supply percent at or below it is a warning
};

// The text of one cell of the printer list (columns 0 ... 11), CP932.
std::string cellText(const PrinterRecord& row, int column, bool debug);

// The row's lowest supply is at or below the threshold.
bool isSupplyWarning(const PrinterRecord& row, int supplyWarn);

} // namespace sorpex
