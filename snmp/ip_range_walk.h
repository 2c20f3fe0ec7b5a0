#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace sorpex {

class PrinterTable;
class UserInteraction;
struct RunState;

// Addresses as the address controls give them: the first octet in the most significant byte,
// 0 when nothing was filled in.
struct AddressRange {
    std::uint32_t start = 0;
    std::uint32_t end = 0;
};

// Why a range is refused, CP932; empty when it is accepted.
std::string rangeRefusal(const AddressRange& range);

// What the walk through a range did to the table.
struct RangeWalk {
    int added = 0;     // new rows, community "public", marked fromRange and acquire
    int marked = 0;    // rows already in the table, marked for acquisition
    bool full = false; // the table filled up and the walk stopped there
};

// Marks the rows whose address lies in the range and appends a row for every other address,
// skipping those ending in .0 and .255. Every other row is left out of the next run. When the
// table fills up, says so once through `ui` and stops the walk.
RangeWalk addRangeRows(PrinterTable& table, const AddressRange& range, UserInteraction& ui);

// After the run: the table ends at the first row a cancelled run never queried, then the rows
// the queries dropped (id 0) go and the rest are numbered 1 ... n.
void cutOffUnqueried(PrinterTable& table);

// The whole acquisition over an accepted range: the walk, `acquisitionRun` with the range mode
// raised (it refreshes the list and saves automatically), and the cut-off.
RangeWalk acquireRange(PrinterTable& table, const AddressRange& range, RunState& run, UserInteraction& ui,
                       const std::function<void()>& acquisitionRun);

} // namespace sorpex
