#include "snmp/ip_range_walk.h"

#include "base/cp932.h"
#include "base/interaction.h"
#include "inventory/printer_table.h"
#include "snmp/run_state.h"

#include <cstdio>

namespace sorpex {
namespace {

bool unusableLastOctet(std::uint32_t address) {
    std::uint32_t last = address & 0xFF;
    return last == 0 || last == 255;
}

// Lowers the range mode however the run ends.
class RangeModeRaised {
public:
    explicit RangeModeRaised(RunState& run) : m_run(run) { m_run.rangeMode.store(true); }
    ~RangeModeRaised() { m_run.rangeMode.store(false); }
    RangeModeRaised(const RangeModeRaised&) = delete;
    RangeModeRaised& operator=(const RangeModeRaised&) = delete;

private:
    RunState& m_run;
};

} // namespace

std::string rangeRefusal(const AddressRange& range) {
    if (range.start == 0 || range.end == 0) {
        return cp932::fromUtf8("IPアドレスを入力してください");
    }
    if (unusableLastOctet(range.start) || unusableLastOctet(range.end)) {
        return cp932::fromUtf8("IPアドレスの最後が 0 または 255 は使用できません");
    }
    if (range.end < range.start) {
        return cp932::fromUtf8("開始IPアドレスより終了IPアドレスを大きくしてください");
    }
    return {};
}

RangeWalk addRangeRows(PrinterTable& table, const AddressRange& range, UserInteraction& ui) {
    RangeWalk walk;
    int n = table.terminatorSlot();
    for (int i = 0; i <= n && i < PrinterTable::kSlotCount; ++i) {
        table.slot(i).fromRange = 0;
        table.slot(i).acquire = 0;
    }
    const int existing = n;
    auto tableFull = [&] {
        ui.showMessage(cp932::fromUtf8("件数が上限を超えています。範囲内で処理します。"), MessageIcon::Warning,
                       MessageButtons::Ok);
        walk.full = true;
    };
    // 64 bits, so that a range ending at the top of the address space still ends.
    for (std::uint64_t a = range.start; a <= range.end && !walk.full; ++a) {
        auto address = static_cast<std::uint32_t>(a);
        if (unusableLastOctet(address)) {
            continue;
        }
        char text[16];
        std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF, (address >> 8) & 0xFF,
                      address & 0xFF);
        // Only the rows that were there before: the new ones all have addresses not seen yet.
        int found = -1;
        for (int i = 0; i < existing; ++i) {
            if (table.slot(i).id != kEmptySlotId && table.slot(i).ipAddress == text) {
                found = i;
                break;
            }
        }
        if (found >= 0) {
            table.slot(found).acquire = 1;
            ++walk.marked;
            continue;
        }
        if (n >= PrinterTable::kMaxRows) {
            tableFull();
            break;
        }
        PrinterRecord& row = table.slot(n);
        row = PrinterRecord{};
        row.id = n + 1;
        row.fromRange = 1;
        row.acquire = 1;
        row.ipAddress.set(text);
        row.community.set("public");
        ++n;
        table.setTerminator(n);
        ++walk.added;
        if (n >= PrinterTable::kMaxRows) {
            tableFull();
        }
    }
    table.setTerminator(n);
    return walk;
}

void cutOffUnqueried(PrinterTable& table) {
    for (int i = 0; i < PrinterTable::kSlotCount; ++i) {
        const PrinterRecord& row = table.slot(i);
        if (row.id == kTerminatorId) {
            break;
        }
        if (row.fromRange != 0) {
            table.setTerminator(i);
            break;
        }
    }
    table.compactAndRenumber();
}

RangeWalk acquireRange(PrinterTable& table, const AddressRange& range, RunState& run, UserInteraction& ui,
                       const std::function<void()>& acquisitionRun) {
    RangeWalk walk = addRangeRows(table, range, ui);
    {
        RangeModeRaised raised(run);
        acquisitionRun();
    }
    cutOffUnqueried(table);
    return walk;
}

} // namespace sorpex
