#include "ui/list_look.h"

#include "base/cp932.h"
#include "inventory/printer_table.h"
#include "ui/list_text.h"

#include <charconv>

namespace sorpex {
namespace {

constexpr std::uint8_t kWarningBits = 0x80 | 0x20 | 0x01; // lowPaper, lowToner, serviceRequested
constexpr std::int32_t kDeviceWarning = 3;
constexpr std::int32_t kDeviceDown = 5;

} // namespace

StatusKind statusKind(const PrinterRecord& row) {
    if (row.model.view() == "No Response") {
        return StatusKind::NoResponse;
    }
    const std::string text = statusText(row.deviceStatus, row.printerStatus, row.errorState, false);
    if (text.empty() && row.deviceStatus == 0) {
        return StatusKind::None;
    }
    if (text == "Jammed" || text == "DoorOpen" || text == "NoToner" || text == "Offline" ||
        row.deviceStatus == kDeviceDown) {
        return StatusKind::Fault;
    }
    if (text == "NoPaper" || row.deviceStatus == kDeviceWarning || (row.errorState & kWarningBits) != 0) {
        return StatusKind::Attention;
    }
    return StatusKind::None;
}

std::vector<SupplyCell> parseSupplies(std::string_view text) {
    std::vector<SupplyCell> cells;
    while (!text.empty()) {
        std::size_t end = text.find("; ");
        std::string_view piece = text.substr(0, end);
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 2);
        std::size_t colon = piece.rfind(':');
        if (colon == std::string_view::npos) {
            continue; // cut off at the field's width
        }
        SupplyCell cell;
        cell.description = std::string(piece.substr(0, colon));
        std::string_view value = piece.substr(colon + 1);
        int percent = -1;
        if (value.size() >= 2 && value.back() == '%') {
            auto [next, error] = std::from_chars(value.data(), value.data() + value.size() - 1, percent);
            if (error != std::errc() || next != value.data() + value.size() - 1 || percent < 0 || percent > 100) {
                percent = -1;
            }
        }
        cell.percent = percent;
        cell.someRemaining = percent < 0 && value == cp932::fromUtf8("残あり");
        cells.push_back(std::move(cell));
    }
    return cells;
}

std::string lowestSupplyText(const PrinterRecord& row) {
    if (row.lowestSupply == kNoSupplyPercent) {
        return {};
    }
    // A waste box at the same percent comes first only when the printer lists it first and gives
    // no class; the cell does not keep the class.
    for (const SupplyCell& cell : parseSupplies(row.supplies.view())) {
        if (cell.percent == row.lowestSupply) {
            return cell.description + ":" + std::to_string(cell.percent) + "%";
        }
    }
    return {};
}

RunSummary summarizeRun(const PrinterTable& table, int supplyWarn) {
    RunSummary summary;
    for (int index = 0; index < PrinterTable::kSlotCount; ++index) {
        const PrinterRecord& row = table.slot(index);
        if (row.id == kTerminatorId) {
            break;
        }
        if (!row.isLive() || row.acquire == 0 || row.model.view() == "Invalid IP Address") {
            continue;
        }
        StatusKind kind = statusKind(row);
        if (kind == StatusKind::None && row.model.view().empty()) {
            continue; // a cancelled run did not reach it
        }
        if (kind == StatusKind::NoResponse) {
            ++summary.silent;
            continue;
        }
        ++summary.answered;
        if (kind == StatusKind::Fault || kind == StatusKind::Attention || isSupplyWarning(row, supplyWarn)) {
            ++summary.attention;
        }
    }
    return summary;
}

} // namespace sorpex
