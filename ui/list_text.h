#pragma once

#include <cstdint>
#include <string>

namespace sorpex {

struct PrinterRecord;

// The Status column: "Online", "Offline", "Jammed", "DoorOpen", "NoPaper", "NoToner",
// "Printing", "Warmup" or empty; with `debug` a non-empty text is followed by the three raw
// values, as in "NoPaper(2,3,40)".
std::string statusText(std::int32_t deviceStatus, std::int32_t printerStatus, std::uint8_t errorState, bool debug);

// The text of one cell of the printer list (columns 0 ... 8), CP932.
std::string cellText(const PrinterRecord& row, int column, bool debug);

} // namespace sorpex
