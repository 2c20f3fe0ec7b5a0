#include "usage/report_reader.h"

#include "inventory/csv_file.h"
#include "inventory/ip_address.h"

#include <algorithm>
#include <array>
#include <cstring>

namespace sorpex {
namespace {

// Columns of a report line, counted from 0.
constexpr int kCommentColumn = 0;
constexpr int kAddressColumn = 1;
constexpr int kModelColumn = 3;
constexpr int kCountColumn = 4;
constexpr int kSerialColumn = 9;
constexpr int kLowestColumn = 10;
constexpr int kSuppliesColumn = 11;
constexpr int kClassicColumns = 9;
constexpr int kSuppliesColumns = 12;
// No column the usage reads is longer in a report SORPEX or the Windows version writes; a longer
// one (a quote left open over the rest of the file) damages its line rather than filling memory.
constexpr std::size_t kMaxField = 4096;

ReportKind headerKind(std::string_view line) {
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    // A list whose printers name their own SNMP version carries one more column at the end; the
    // usage never reads it.
    if (line.ends_with(kCsvVersionHeader)) {
        line.remove_suffix(kCsvVersionHeader.size());
    }
    if (line == kCsvHeader) {
        return ReportKind::Classic;
    }
    if (line.size() == kCsvHeader.size() + kCsvSuppliesHeader.size() &&
        line.substr(0, kCsvHeader.size()) == kCsvHeader && line.substr(kCsvHeader.size()) == kCsvSuppliesHeader) {
        return ReportKind::WithSupplies;
    }
    return ReportKind::NotReport;
}

// The text of a field as the loader stores it: the enclosing quotes off, every run of quotes
// collapsed to one.
void fieldText(std::string_view raw, std::string& out) {
    if (raw.size() >= 2 && raw.front() == '"' && raw.back() == '"') {
        raw = raw.substr(1, raw.size() - 2);
    }
    if (raw.find("\"\"") == std::string_view::npos) {
        out.assign(raw);
        return;
    }
    out.clear();
    for (std::size_t i = 0; i < raw.size(); ++i) {
        if (raw[i] != '"' || i == 0 || raw[i - 1] != '"') {
            out += raw[i];
        }
    }
}

// One line's scan: the fields the usage reads are collected whole, the others only as far as
// the quoting rule needs (first and last byte, size).
class LineScanner {
public:
    LineScanner(std::string_view bytes, std::size_t pos, ReportKind kind) : m_bytes(bytes), m_pos(pos) {
        m_wanted.fill(false);
        for (int column : {kCommentColumn, kAddressColumn, kModelColumn, kCountColumn}) {
            m_wanted[static_cast<std::size_t>(column)] = true;
        }
        if (kind == ReportKind::WithSupplies) {
            m_wanted[kSerialColumn] = true;
            m_wanted[kLowestColumn] = true;
            m_wanted[kSuppliesColumn] = true;
        }
    }

    bool atEnd() const { return m_pos >= m_bytes.size(); }

    enum class Result { Line, Damaged, Cut };
    // Reads the next line into `raw` (the wanted columns) and `columns`.
    Result next(std::array<std::string, kSuppliesColumns>& raw, int& columns) {
        for (std::string& field : raw) {
            field.clear();
        }
        columns = 0;
        bool tooLong = false;
        std::size_t size = 0;
        char first = 0;
        char last = 0;
        while (true) {
            // The next piece: up to a comma, a line end or the end of the bytes.
            const std::size_t begin = m_pos;
            std::size_t end = begin;
            const char* data = m_bytes.data();
            const std::size_t total = m_bytes.size();
            while (end < total && data[end] != ',' && data[end] != '\n') {
                ++end;
            }
            const bool atEndOfBytes = end == total;
            const bool comma = !atEndOfBytes && data[end] == ',';
            std::size_t pieceEnd = end;
            if (!comma && !atEndOfBytes && pieceEnd > begin && data[pieceEnd - 1] == '\r') {
                --pieceEnd; // CR LF ends the line; a lone CR is part of it
            }
            m_pos = atEndOfBytes ? total : end + 1;

            const std::size_t length = pieceEnd - begin;
            if (length > 0) {
                if (size == 0) {
                    first = data[begin];
                }
                last = data[pieceEnd - 1];
                size += length;
            }
            const bool wanted = columns < kSuppliesColumns && m_wanted[static_cast<std::size_t>(columns)];
            if (wanted && !tooLong) {
                std::string& field = raw[static_cast<std::size_t>(columns)];
                if (field.size() + length > kMaxField) {
                    tooLong = true;
                } else {
                    field.append(data + begin, length);
                }
            }
            if (size > 0 && first == '"' && !(size >= 2 && last == '"')) {
                // An open quoted field: a comma belongs to it, a line end joins the next line.
                if (atEndOfBytes) {
                    return Result::Cut;
                }
                if (comma) {
                    ++size;
                    last = ',';
                    if (wanted && !tooLong) {
                        raw[static_cast<std::size_t>(columns)] += ',';
                    }
                }
                continue;
            }
            ++columns;
            size = 0;
            first = last = 0;
            if (comma) {
                continue;
            }
            if (atEndOfBytes) {
                // A report ends every line with CR LF: a last line without it was cut short.
                return columns == 1 && length == 0 ? Result::Line : Result::Cut;
            }
            return tooLong ? Result::Damaged : Result::Line;
        }
    }

    std::size_t position() const { return m_pos; }

private:
    std::string_view m_bytes;
    std::size_t m_pos;
    std::array<bool, kSuppliesColumns> m_wanted{};
};

} // namespace

CounterKind parseCounter(std::string_view text, std::uint64_t& value) {
    if (text.empty() || text == "No Response" || text == "Not Support") {
        return CounterKind::NoReading;
    }
    // 19 digits always fit 64 bits; no printer counts that far.
    if (text.size() > 19) {
        return CounterKind::NotNumber;
    }
    std::uint64_t n = 0;
    for (char c : text) {
        if (c < '0' || c > '9') {
            return CounterKind::NotNumber;
        }
        n = n * 10 + static_cast<std::uint64_t>(c - '0');
    }
    value = n;
    return CounterKind::Reading;
}

ReportKind reportKind(std::string_view bytes) {
    const std::size_t headerEnd = bytes.find('\n');
    return headerEnd == std::string_view::npos ? ReportKind::NotReport : headerKind(bytes.substr(0, headerEnd));
}

ReportScan scanReport(std::string_view bytes, const std::function<void(const ReportLine&)>& line) {
    ReportScan scan;
    scan.kind = reportKind(bytes);
    const std::size_t headerEnd = bytes.find('\n');
    if (scan.kind == ReportKind::NotReport) {
        return scan;
    }
    const int needed = scan.kind == ReportKind::WithSupplies ? kSuppliesColumns : kClassicColumns;
    LineScanner scanner(bytes, headerEnd + 1, scan.kind);
    std::array<std::string, kSuppliesColumns> raw;
    ReportLine out;
    int row = 0;
    while (!scanner.atEnd()) {
        int columns = 0;
        const LineScanner::Result result = scanner.next(raw, columns);
        if (result == LineScanner::Result::Cut) {
            ++scan.damaged;
            break;
        }
        if (result == LineScanner::Result::Damaged) {
            ++scan.damaged;
            ++row;
            continue;
        }
        // A blank line, or a row written as its comment alone (it has no usable address).
        if (columns == 1) {
            ++row;
            continue;
        }
        std::optional<std::string> address;
        if (columns >= needed) {
            fieldText(raw[kAddressColumn], out.ipAddress);
            address = normalizedIpAddress(out.ipAddress);
        }
        if (!address) {
            ++scan.damaged;
            ++row;
            continue;
        }
        out.row = row++;
        out.ipAddress = std::move(*address);
        fieldText(raw[kCommentColumn], out.comment);
        fieldText(raw[kModelColumn], out.model);
        fieldText(raw[kCountColumn], out.count);
        fieldText(raw[kSerialColumn], out.serialNumber);
        fieldText(raw[kLowestColumn], out.lowestSupply);
        fieldText(raw[kSuppliesColumn], out.supplies);
        ++scan.lines;
        line(out);
    }
    return scan;
}

} // namespace sorpex
