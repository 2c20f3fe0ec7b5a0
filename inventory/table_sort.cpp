#include "inventory/printer_table.h"

#include <cerrno>
#include <climits>
#include <cstdlib>
#include <numeric>
#include <utility>
#include <vector>

namespace sorpex {
namespace {

// Byte-wise, as strcmp compares (char_traits<char> compares as unsigned char).
int compareText(std::string_view a, std::string_view b) {
    int c = a.compare(b);
    return (c > 0) - (c < 0);
}

int compareNumbers(long a, long b) {
    return a < b ? -1 : (a > b ? 1 : 0);
}

// Leading digits as strtol reads them; out-of-range values saturate.
long leadingNumber(const RecordText& text) {
    return std::strtol(text.c_str(), nullptr, 10);
}

bool beginsWithNo(const RecordText& text) {
    return text.view().substr(0, 2) == "No";
}

// The counter column holds numbers and texts such as "No Response": two numbers compare as
// numbers, any pair with such a text compares as text.
int compareCount(const PrinterRecord& a, const PrinterRecord& b) {
    if (!beginsWithNo(a.count) && !beginsWithNo(b.count)) {
        return compareNumbers(leadingNumber(a.count), leadingNumber(b.count));
    }
    return compareText(a.count.view(), b.count.view());
}

// A row without a supply percent goes after every percent, so the emptiest printers come first.
long supplyKey(const PrinterRecord& row) {
    return row.lowestSupply == kNoSupplyPercent ? LONG_MAX : row.lowestSupply;
}

// Order of a before b for a column in its direction without the reverse flag: negative when a
// comes first.
int compareForColumn(int column, const PrinterRecord& a, const PrinterRecord& b) {
    switch (static_cast<ListColumn>(column)) {
    case ListColumn::Id:
        return -compareNumbers(a.id, b.id);
    case ListColumn::Comment:
        return compareText(a.comment.view(), b.comment.view());
    case ListColumn::IpAddress:
        return compareText(a.ipAddress.view(), b.ipAddress.view());
    case ListColumn::Model:
        return compareText(a.model.view(), b.model.view());
    case ListColumn::Count:
        return compareCount(a, b);
    case ListColumn::SystemName:
        return compareText(a.sysName.view(), b.sysName.view());
    case ListColumn::SystemLocation:
        return compareText(a.sysLocation.view(), b.sysLocation.view());
    case ListColumn::SystemContact:
        return compareText(a.sysContact.view(), b.sysContact.view());
    case ListColumn::Status:
        return -compareNumbers(a.printerStatus, b.printerStatus);
    case ListColumn::SerialNumber:
        return compareText(a.serialNumber.view(), b.serialNumber.view());
    case ListColumn::LowestSupply:
        return compareNumbers(supplyKey(a), supplyKey(b));
    case ListColumn::Supplies:
        return compareText(a.supplies.view(), b.supplies.view());
    }
    return 0;
}

// Quicksort of the row order with a three-way partition. The counter column's mixed rule is not
// a strict weak order (a text, a number and "No..." can form a cycle), which std::sort is
// allowed to answer by reading past its range; every index here stays inside [lo, hi], whatever
// the comparison says.
template <typename Compare> void quickSort(std::vector<int>& order, int lo, int hi, const Compare& compare) {
    while (lo < hi) {
        int pivot = order[static_cast<std::size_t>(lo + (hi - lo) / 2)];
        int lt = lo;
        int i = lo;
        int gt = hi;
        while (i <= gt) {
            int c = compare(order[static_cast<std::size_t>(i)], pivot);
            if (c < 0) {
                std::swap(order[static_cast<std::size_t>(lt++)], order[static_cast<std::size_t>(i++)]);
            } else if (c > 0) {
                std::swap(order[static_cast<std::size_t>(i)], order[static_cast<std::size_t>(gt--)]);
            } else {
                ++i;
            }
        }
        // Recurse into the smaller part, loop over the larger: the depth stays logarithmic.
        if (lt - lo < hi - gt) {
            quickSort(order, lo, lt - 1, compare);
            lo = gt + 1;
        } else {
            quickSort(order, gt + 1, hi, compare);
            hi = lt - 1;
        }
    }
}

} // namespace

void PrinterTable::sortByColumn(int column, bool reverse) {
    m_modified = true;
    if (column < 0 || column >= kSuppliesListColumnCount) {
        return;
    }
    const int end = terminatorSlot();
    std::vector<int> order(static_cast<std::size_t>(end));
    std::iota(order.begin(), order.end(), 0);
    quickSort(order, 0, end - 1, [&](int a, int b) {
        int c = compareForColumn(column, slot(a), slot(b));
        return reverse ? -c : c;
    });

    // Put the records into the new order with one spare record, cycle by cycle.
    std::vector<bool> placed(static_cast<std::size_t>(end), false);
    for (int start = 0; start < end; ++start) {
        if (placed[static_cast<std::size_t>(start)]) {
            continue;
        }
        PrinterRecord spare = slot(start);
        int target = start;
        while (true) {
            placed[static_cast<std::size_t>(target)] = true;
            int source = order[static_cast<std::size_t>(target)];
            if (source == start) {
                slot(target) = spare;
                break;
            }
            slot(target) = slot(source);
            target = source;
        }
    }
}

} // namespace sorpex
