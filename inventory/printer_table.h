#pragma once

#include "inventory/printer_record.h"

#include <functional>
#include <string_view>
#include <vector>

namespace sorpex {

class UserInteraction;

// Columns of the printer list, as sortByColumn numbers them.
enum class ListColumn {
    Id = 0,
    Comment = 1,
    IpAddress = 2,
    Model = 3,
    Count = 4,
    SystemName = 5,
    SystemLocation = 6,
    SystemContact = 7,
    Status = 8,
    // Shown with the Supplies setting on.
    SerialNumber = 9,
    LowestSupply = 10,
    Supplies = 11,
};
inline constexpr int kListColumnCount = 9;
inline constexpr int kSuppliesListColumnCount = 12;

// The printer list: exactly kSlotCount slots, the rows in slots 0, 1, 2 ... in display order,
// ended by the first slot whose id is kTerminatorId. The terminator needs a slot of its own, so
// the table holds at most kMaxRows rows. Slots with id kEmptySlotId are rows removed and not yet
// compacted away; every walk skips them.
//
// The table also carries the document's unsaved-changes flag: the operations that change rows
// set it themselves, so no caller can forget to.
class PrinterTable {
public:
    static constexpr int kSlotCount = 1024;
    static constexpr int kMaxRows = kSlotCount - 1;

    // A table made by the constructor is already cleared.
    PrinterTable();

    PrinterRecord& slot(int index) { return m_slots.at(static_cast<std::size_t>(index)); }
    const PrinterRecord& slot(int index) const { return m_slots.at(static_cast<std::size_t>(index)); }

    // The terminator's slot: the number of slots in use, empty slots included.
    int terminatorSlot() const;
    // Ends the table at `index` (0 ... kSlotCount - 1); the slots after it are ignored.
    void setTerminator(int index);
    // Live rows before the terminator.
    int rowCount() const;

    // Unsaved changes. Loading and renumbering leave it alone.
    bool modified() const { return m_modified; }
    void setModified(bool modified = true) { m_modified = modified; }

    // Zeroes every slot and puts the terminator into slot 0. The modified flag is not touched:
    // New and Open have settled it with the save-changes question before.
    void clearTable();

    // First slot whose id is `id`, or -1.
    int findById(int id) const;
    // The largest id before the terminator plus 1; 1 for an empty table.
    int nextId() const;
    // No room for another row: the terminator is in the last slot (or beyond where it may be).
    bool isFull() const { return terminatorSlot() >= kMaxRows; }
    // Appends a row with the id nextId(); texts are cut to their fields. False when full.
    bool appendRecord(std::string_view ipAddress, std::string_view community, std::string_view comment);
    // First row whose ipAddress is exactly `ipAddress`, skipping the row with id `skipId`
    // (0 skips none); -1 when there is none.
    int findByIpAddress(std::string_view ipAddress, int skipId) const;

    // Asked once for every selected row that exists: true deletes it.
    using DeleteConfirmation = std::function<bool(int id, const PrinterRecord& row)>;
    // Deletes the rows with the given ids, each after its confirmation, and closes every gap the
    // deleted ids leave: ids keep their order and the rows behind move up. Gives the number of
    // rows deleted; each deletion sets modified.
    int deleteRows(const std::vector<int>& ids, const DeleteConfirmation& confirm);
    // The same with the question of the list view, OK/Cancel, through `ui`.
    int deleteRows(const std::vector<int>& ids, UserInteraction& ui);

    // Drops empty slots and numbers the rows 1 ... n in their order. Does not set modified.
    void compactAndRenumber();

    // Swap the row with its live neighbour above or below, ids included. False (and nothing
    // changed) for the first row up, the last row down, or an unknown id.
    bool moveUp(int id);
    bool moveDown(int id);

    // Sorts the rows in place by a list column (0 ... 11). Not stable. Always sets modified.
    void sortByColumn(int column, bool reverse);

    // Marks every row for the next acquisition run, or only the rows with the given ids.
    void markForAcquisition();
    void markForAcquisition(const std::vector<int>& ids);

private:
    // Heap-allocated: 1024 records of about 7.5 KB each.
    std::vector<PrinterRecord> m_slots;
    bool m_modified = false;
};

// The text of the deletion question, CP932.
std::string deleteQuestion(int id, const PrinterRecord& row);

} // namespace sorpex
