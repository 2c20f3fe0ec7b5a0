#include "inventory/printer_table.h"

#include "base/cp932.h"
#include "base/interaction.h"

#include <algorithm>
#include <cstdio>
#include <string>
#include <utility>

namespace sorpex {

PrinterTable::PrinterTable() : m_slots(kSlotCount) {
    clearTable();
}

int PrinterTable::terminatorSlot() const {
    for (int i = 0; i < kSlotCount; ++i) {
        if (m_slots[static_cast<std::size_t>(i)].id == kTerminatorId) {
            return i;
        }
    }
    // Without a terminator every slot is in use; no walk may go further.
    return kSlotCount;
}

void PrinterTable::setTerminator(int index) {
    PrinterRecord& end = slot(index);
    end = PrinterRecord{};
    end.id = kTerminatorId;
}

int PrinterTable::rowCount() const {
    int rows = 0;
    for (int i = 0, end = terminatorSlot(); i < end; ++i) {
        if (slot(i).id != kEmptySlotId) {
            ++rows;
        }
    }
    return rows;
}

void PrinterTable::clearTable() {
    std::fill(m_slots.begin(), m_slots.end(), PrinterRecord{});
    m_slots[0].id = kTerminatorId;
}

int PrinterTable::findById(int id) const {
    for (int i = 0, end = terminatorSlot(); i < end; ++i) {
        if (slot(i).id == id) {
            return i;
        }
    }
    return -1;
}

int PrinterTable::nextId() const {
    int largest = 0;
    for (int i = 0, end = terminatorSlot(); i < end; ++i) {
        largest = std::max(largest, slot(i).id);
    }
    return largest + 1;
}

bool PrinterTable::appendRecord(std::string_view ipAddress, std::string_view community, std::string_view comment) {
    int n = terminatorSlot();
    if (n >= kMaxRows) {
        return false;
    }
    int id = nextId();
    PrinterRecord& row = slot(n);
    row = PrinterRecord{};
    row.ipAddress.set(ipAddress);
    row.community.set(community);
    row.comment.set(comment);
    row.id = id;
    setTerminator(n + 1);
    m_modified = true;
    return true;
}

int PrinterTable::findByIpAddress(std::string_view ipAddress, int skipId) const {
    for (int i = 0, end = terminatorSlot(); i < end; ++i) {
        const PrinterRecord& row = slot(i);
        if (row.id == kEmptySlotId || (skipId != 0 && row.id == skipId)) {
            continue;
        }
        if (row.ipAddress.view() == ipAddress) {
            return i;
        }
    }
    return -1;
}

int PrinterTable::deleteRows(const std::vector<int>& ids, const DeleteConfirmation& confirm) {
    const int end = terminatorSlot();
    for (int i = 0; i < end; ++i) {
        slot(i).scratch = slot(i).id;
    }
    int deleted = 0;
    for (int id : ids) {
        // 0 is what the list gives for "no row"; it would find the empty slots.
        int index = id > 0 ? findById(id) : -1;
        if (index < 0) {
            continue;
        }
        PrinterRecord& row = slot(index);
        if (!confirm(id, row)) {
            continue;
        }
        int gap = row.scratch;
        row.id = kEmptySlotId;
        row.scratch = 0;
        for (int i = 0; i < end; ++i) {
            if (slot(i).scratch > gap) {
                --slot(i).scratch;
            }
        }
        ++deleted;
        m_modified = true;
    }
    int kept = 0;
    for (int i = 0; i < end; ++i) {
        PrinterRecord& row = slot(i);
        row.id = row.scratch;
        if (row.id != kEmptySlotId) {
            if (kept != i) {
                slot(kept) = row;
            }
            ++kept;
        }
    }
    setTerminator(kept);
    return deleted;
}

std::string deleteQuestion(int id, const PrinterRecord& row) {
    std::string text = cp932::fromUtf8("以下のプリンタを削除しますか？\n\nID：");
    text += std::to_string(id);
    text += cp932::fromUtf8("\nIPアドレス：");
    text += row.ipAddress.view();
    text += cp932::fromUtf8("\nコメント：");
    text += row.comment.view();
    return text;
}

int PrinterTable::deleteRows(const std::vector<int>& ids, UserInteraction& ui) {
    return deleteRows(ids, [&ui](int id, const PrinterRecord& row) {
        return ui.showMessage(deleteQuestion(id, row), MessageIcon::Question, MessageButtons::OkCancel) == Answer::Ok;
    });
}

void PrinterTable::compactAndRenumber() {
    const int end = terminatorSlot();
    int kept = 0;
    for (int i = 0; i < end; ++i) {
        if (slot(i).id == kEmptySlotId) {
            continue;
        }
        if (kept != i) {
            slot(kept) = slot(i);
        }
        slot(kept).id = kept + 1;
        ++kept;
    }
    setTerminator(kept);
}

bool PrinterTable::moveUp(int id) {
    int previous = -1;
    for (int i = 0, end = terminatorSlot(); i < end; ++i) {
        if (slot(i).id == kEmptySlotId) {
            continue;
        }
        if (slot(i).id == id) {
            if (previous < 0) {
                return false;
            }
            std::swap(slot(previous), slot(i));
            m_modified = true;
            return true;
        }
        previous = i;
    }
    return false;
}

bool PrinterTable::moveDown(int id) {
    int found = -1;
    for (int i = 0, end = terminatorSlot(); i < end; ++i) {
        if (slot(i).id == kEmptySlotId) {
            continue;
        }
        if (found >= 0) {
            std::swap(slot(found), slot(i));
            m_modified = true;
            return true;
        }
        if (slot(i).id == id) {
            found = i;
        }
    }
    return false;
}

void PrinterTable::markForAcquisition() {
    for (int i = 0, end = terminatorSlot(); i < end; ++i) {
        slot(i).acquire = 1;
    }
}

void PrinterTable::markForAcquisition(const std::vector<int>& ids) {
    const int end = terminatorSlot();
    for (int i = 0; i < end; ++i) {
        slot(i).acquire = 0;
    }
    for (int id : ids) {
        int index = id > 0 ? findById(id) : -1;
        if (index >= 0) {
            slot(index).acquire = 1;
        }
    }
}

} // namespace sorpex
