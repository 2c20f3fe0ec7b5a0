#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace sorpex {

class PrinterTable;
struct PrinterRecord;

// How urgent a row's status is, for the mark in its Status cell.
enum class StatusKind {
    None,       // nothing acquired, or all is well (Online, Printing, Warmup)
    Attention,  // no paper, or the printer warns (low paper or toner, service requested)
    Fault,      // jammed, no toner, door open, offline, down
    NoResponse, // the printer did not answer
};

StatusKind statusKind(const PrinterRecord& row);

// One supply of the Supplies cell: its description and percent, or one of the two words the cell
// gives instead of a percent.
struct SupplyCell {
    std::string description; // CP932
    int percent = -1;        // 0 ... 100; -1 for 残あり and 不明
    bool someRemaining = false;
};

// The Supplies cell ("<description>:<percent>%; ...") taken apart again. The separators are ASCII
// bytes no CP932 character contains, so a description keeps its bytes whole.
std::vector<SupplyCell> parseSupplies(std::string_view text);

// The supply whose percent is the row's lowest, as "<description>:<percent>%"; empty when none.
std::string lowestSupplyText(const PrinterRecord& row);

// What a run found among the rows it asked.
struct RunSummary {
    int answered = 0;
    int silent = 0;
    int attention = 0; // answered, with a fault, a warning or a supply at or below the threshold
};

RunSummary summarizeRun(const PrinterTable& table, int supplyWarn);

} // namespace sorpex
