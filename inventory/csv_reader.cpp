#include "inventory/csv_reader.h"

#include "inventory/ip_address.h"

#include <algorithm>
#include <cstring>
#include <optional>

namespace sorpex {
namespace {

// Only this much of the header is compared, so a header with other column names still counts.
constexpr std::string_view kHeaderStart = kCsvHeader.substr(0, 16);
constexpr std::size_t kChunk = 64 * 1024;
// Fields from the fourth on are written for the reader of the file and ignored when loading, but
// for the version column the header names.
constexpr int kStoredFields = 3;
constexpr std::string_view kVersionColumn = kCsvVersionHeader.substr(1);
// Fields are counted this far; a version column further right than this is not looked for.
constexpr int kCountedFields = 4096;

} // namespace

void CsvField::append(char c) {
    const bool quote = c == '"';
    const bool joinsRun = quote && m_size > 0 && m_last == '"';
    if (m_size == 0) {
        m_first = c;
    }
    ++m_size;
    m_last = c;
    if (quote) {
        if (m_onlyQuotes) {
            m_leadingQuotes = std::min(m_leadingQuotes + 1, 2);
        }
        m_trailingQuotes = std::min(m_trailingQuotes + 1, 2);
    } else {
        m_onlyQuotes = false;
        m_trailingQuotes = 0;
    }
    if (!joinsRun) {
        ++m_collapsedSize;
        if (m_collapsed.size() < kKeep) {
            m_collapsed += c;
        }
    }
}

bool CsvField::text(bool unquote, std::string& out) const {
    std::size_t begin = 0;
    std::size_t length = m_collapsedSize;
    if (unquote) {
        if (m_onlyQuotes) {
            // n quotes lose the outer two; what is left collapses to one quote or nothing.
            out = m_size >= 3 ? "\"" : "";
            return true;
        }
        // The collapsed form begins and ends with a quote standing for a run. Taking off the
        // outer quotes removes that quote only where the run was a single one.
        begin = m_leadingQuotes == 1 ? 1 : 0;
        length -= begin + (m_trailingQuotes == 1 ? 1 : 0);
    }
    if (length > kKeep - 2) {
        return false;
    }
    out.assign(m_collapsed, begin, length);
    return true;
}

bool CsvBytes::fill(std::size_t wanted) {
    while (m_buffer.size() - m_pos < wanted && !m_ended) {
        m_buffer.erase(m_buffer.begin(), m_buffer.begin() + static_cast<std::ptrdiff_t>(m_pos));
        m_pos = 0;
        std::size_t kept = m_buffer.size();
        m_buffer.resize(kept + kChunk);
        ssize_t n = m_source(m_buffer.data() + kept, kChunk);
        if (n < 0) {
            m_failed = true;
        }
        if (n <= 0) {
            m_ended = true;
            n = 0;
        }
        m_buffer.resize(kept + std::min(static_cast<std::size_t>(n), kChunk));
    }
    return m_buffer.size() - m_pos >= wanted;
}

int CsvBytes::peek(std::size_t offset) {
    if (!fill(offset + 1)) {
        return -1;
    }
    return static_cast<unsigned char>(m_buffer[m_pos + offset]);
}

int CsvBytes::get() {
    int c = peek(0);
    if (c >= 0) {
        ++m_pos;
    }
    return c;
}

bool CsvReader::atLineStartOfHeader() {
    for (std::size_t i = 0; i < kHeaderStart.size(); ++i) {
        if (m_bytes.peek(i) != static_cast<unsigned char>(kHeaderStart[i])) {
            return false;
        }
    }
    return true;
}

// A line ends at LF or CR LF; a lone CR is part of the line.
void CsvReader::readHeader() {
    m_versionField = -1;
    int index = 0;
    std::string name;
    auto endOfName = [&] {
        if (name == kVersionColumn && m_versionField < 0 && index < kCountedFields) {
            m_versionField = index;
        }
        name.clear();
        ++index;
    };
    while (true) {
        int c = m_bytes.get();
        if (c < 0 || c == '\n' || (c == '\r' && m_bytes.peek(0) == '\n')) {
            if (c == '\r') {
                m_bytes.get();
            }
            endOfName();
            return;
        }
        if (c == ',') {
            endOfName();
        } else if (name.size() <= kVersionColumn.size()) {
            name += static_cast<char>(c);
        }
    }
}

CsvReader::Segment CsvReader::readSegment() {
    while (true) {
        int c = m_bytes.get();
        if (c < 0 || c == '\n') {
            return Segment::LineEnd;
        }
        if (c == '\r' && m_bytes.peek(0) == '\n') {
            m_bytes.get();
            return Segment::LineEnd;
        }
        if (c == ',') {
            return Segment::Comma;
        }
        m_field.append(static_cast<char>(c));
    }
}

bool CsvReader::storeField(bool unquote) {
    std::string text;
    PrinterRecord& row = m_table.slot(m_row);
    if (m_fieldIndex == m_versionField) {
        std::optional<SnmpVersion> version;
        if (m_field.text(unquote, text)) {
            version = parseSnmpVersion(text);
        }
        row.snmpVersion = version.value_or(SnmpVersion::Default);
        return version.has_value();
    }
    if (m_fieldIndex >= kStoredFields) {
        return true;
    }
    const bool fits = m_field.text(unquote, text);
    switch (m_fieldIndex) {
    case 0:
        if (!fits || !RecordText::fits(text)) {
            return false;
        }
        row.comment.set(text);
        return true;
    case 1:
        if (!fits || !IpAddressText::fits(text)) {
            return false;
        }
        // A refused address stays in the row as it was read.
        row.ipAddress.set(text);
        return normalizeIpAddress(row.ipAddress) == 0;
    default:
        if (!fits || !CommunityText::fits(text)) {
            return false;
        }
        row.community.set(text);
        return true;
    }
}

CsvLoad CsvReader::load() {
    bool open = false; // a quoted field runs on into the next line
    while (m_bytes.peek(0) >= 0) {
        if (atLineStartOfHeader()) {
            readHeader();
            // The line after the header is taken as data even if it is a header too.
            if (m_bytes.peek(0) < 0) {
                break;
            }
        }
        if (!open) {
            m_table.slot(m_row) = PrinterRecord{};
            m_fieldIndex = 0;
        }
        m_table.slot(m_row).id = m_row + 1;

        bool rowComplete = false;
        while (true) {
            const bool lastSegment = readSegment() == Segment::LineEnd;
            if (m_bytes.failed()) {
                m_table.setTerminator(m_row);
                return CsvLoad::ReadError;
            }
            bool unquote = false;
            if (m_field.beginsWithQuote()) {
                if (m_field.size() >= 2 && m_field.endsWithQuote()) {
                    unquote = true;
                } else if (!lastSegment) {
                    m_field.append(',');
                    continue;
                } else {
                    // The next line continues this field; the line break itself is lost.
                    open = true;
                    break;
                }
            }
            if (!storeField(unquote)) {
                // The row being read stays with the fields stored before the refused one. The
                // terminator cannot follow a 1024th row, which is dropped instead.
                m_table.setTerminator(std::min(m_row + 1, PrinterTable::kMaxRows));
                return CsvLoad::Rejected;
            }
            m_field.clear();
            m_fieldIndex = std::min(m_fieldIndex + 1, kCountedFields);
            if (lastSegment) {
                open = false;
                rowComplete = true;
                break;
            }
        }
        if (!rowComplete) {
            continue;
        }
        ++m_row;
        if (m_row == PrinterTable::kSlotCount) {
            // The 1024th row gives its slot to the terminator.
            m_table.setTerminator(PrinterTable::kMaxRows);
            return CsvLoad::TableFull;
        }
    }
    if (m_bytes.failed()) {
        m_table.setTerminator(m_row);
        return CsvLoad::ReadError;
    }
    // A row whose quoted field was still open at the end is dropped.
    m_table.setTerminator(m_row);
    return CsvLoad::Complete;
}

} // namespace sorpex
