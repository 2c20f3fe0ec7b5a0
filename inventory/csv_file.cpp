#include "inventory/csv_file.h"

#include "base/cp932.h"
#include "base/input_file.h"
#include "base/interaction.h"
#include "base/replacing_file.h"
#include "inventory/csv_reader.h"
#include "inventory/ip_address.h"

#include <algorithm>
#include <cerrno>
#include <cstring>

namespace sorpex {
namespace {

// Bare unless the text would end the field or the line, or open a quoted field.
void appendBare(std::string& line, std::string_view text) {
    if (text.find_first_of(",\r\n") != std::string_view::npos || (!text.empty() && text.front() == '"')) {
        appendCsvQuoted(line, text);
    } else {
        line += text;
    }
}

// The loader refuses a line whose address column it cannot normalise, and every line after it.
bool loadableAddress(const PrinterRecord& row) {
    return normalizedIpAddress(row.ipAddress.view()).has_value();
}

void showErrorCode(UserInteraction& ui, const char* utf8Text, int error) {
    ui.showMessage(cp932::fromUtf8(utf8Text) + std::to_string(error), MessageIcon::Stop, MessageButtons::Ok);
}

// A list that cannot be loaded is named on a line of its own after the message: opened from a
// file manager or by cron, nothing else says which file it was. `path` is the file system's.
std::string namingFile(std::string text, const std::string& path) {
    return path.empty() ? text : text + "\n" + cp932::fromUtf8(path);
}

// Turns the end of a load into its message; the result of readCsvFile.
bool reportLoad(CsvLoad load, int error, UserInteraction& ui, const std::string& path = {}) {
    switch (load) {
    case CsvLoad::Complete:
        return true;
    case CsvLoad::TableFull:
        ui.showMessage(cp932::fromUtf8("件数が上限を超えています。範囲内で処理します。"), MessageIcon::Warning,
                       MessageButtons::Ok);
        return true;
    case CsvLoad::Rejected:
        ui.showMessage(namingFile(cp932::fromUtf8("プリンタ情報CSVファイルではありません"), path), MessageIcon::Stop,
                       MessageButtons::Ok);
        return false;
    case CsvLoad::ReadError:
        ui.showMessage(
            namingFile(cp932::fromUtf8("ファイルオープンエラー\nError Code = ") + std::to_string(error), path),
            MessageIcon::Stop, MessageButtons::Ok);
        return false;
    }
    return false;
}

} // namespace

void appendCsvQuoted(std::string& line, std::string_view text) {
    std::string joined;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '\n' && !(text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n')) {
            joined += text[i];
        }
    }
    line += '"';
    for (std::size_t i = 0; i < joined.size();) {
        if (joined[i] != '"') {
            line += joined[i++];
            continue;
        }
        const std::size_t end = std::min(joined.find_first_not_of('"', i), joined.size());
        if (end == joined.size() || joined[end] != ',') {
            line.append(2 * (end - i), '"');
        }
        i = end;
    }
    line += '"';
}

std::size_t csvUnsavableQuote(std::string_view text) {
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] != '"') {
            continue;
        }
        // The next byte the writer keeps: line breaks in between are dropped.
        std::size_t next = i + 1;
        while (next < text.size() &&
               (text[next] == '\n' || (text[next] == '\r' && next + 1 < text.size() && text[next + 1] == '\n'))) {
            ++next;
        }
        if (next < text.size() && (text[next] == '"' || text[next] == ',')) {
            return i;
        }
    }
    return std::string_view::npos;
}

std::string csvLine(const PrinterRecord& row, CsvLayout layout, bool withVersion) {
    std::string line;
    line.reserve(row.comment.view().size() + row.model.view().size() + row.sysDescr.view().size() +
                 row.supplies.view().size() + 64);
    appendCsvQuoted(line, row.comment.view());
    if (!loadableAddress(row)) {
        // A row without a usable address (a blank line loads as one) is written as the line
        // it is read back from: its comment alone.
        return line;
    }
    line += ',';
    line += row.ipAddress.view();
    line += ',';
    appendBare(line, row.community.view());
    line += ',';
    appendCsvQuoted(line, row.model.view());
    line += ',';
    appendBare(line, row.count.view());
    line += ',';
    appendCsvQuoted(line, row.sysName.view());
    line += ',';
    appendCsvQuoted(line, row.sysLocation.view());
    line += ',';
    appendCsvQuoted(line, row.sysContact.view());
    line += ',';
    appendCsvQuoted(line, row.sysDescr.view());
    if (layout == CsvLayout::WithSupplies) {
        line += ',';
        appendCsvQuoted(line, row.serialNumber.view());
        line += ',';
        if (row.lowestSupply != kNoSupplyPercent) {
            line += std::to_string(row.lowestSupply);
        }
        line += ',';
        appendCsvQuoted(line, row.supplies.view());
    }
    if (withVersion) {
        line += ',';
        line += snmpVersionText(row.snmpVersion);
    }
    return line;
}

bool writeCsvFile(PrinterTable& table, const std::string& path, UserInteraction& ui, CsvLayout layout) {
    ReplacingFile file(path);
    std::string header(kCsvHeader);
    if (layout == CsvLayout::WithSupplies) {
        header += kCsvSuppliesHeader;
    }
    bool withVersion = false;
    for (int i = 0, end = table.terminatorSlot(); i < end; ++i) {
        withVersion =
            withVersion || (table.slot(i).id != kEmptySlotId && table.slot(i).snmpVersion != SnmpVersion::Default);
    }
    if (withVersion) {
        header += kCsvVersionHeader;
    }
    bool written = file.open() && file.write(header + "\r\n");
    for (int i = 0, end = table.terminatorSlot(); written && i < end; ++i) {
        const PrinterRecord& row = table.slot(i);
        if (row.id == kEmptySlotId) {
            continue;
        }
        written = file.write(csvLine(row, layout, withVersion) + "\r\n");
    }
    if (!written || !file.commit()) {
        showErrorCode(ui, "ファイル書込みできません\nError Code = ", file.error());
        return false;
    }
    table.setModified(false);
    return true;
}

CsvLoad loadCsvRows(PrinterTable& table, const CsvSource& source) {
    CsvReader reader(table, source);
    return reader.load();
}

bool readCsvFile(PrinterTable& table, const std::string& path, UserInteraction& ui, CsvLoad* outcome) {
    InputFile file(path);
    if (!file.isOpen()) {
        if (outcome != nullptr) {
            *outcome = CsvLoad::ReadError;
        }
        return reportLoad(CsvLoad::ReadError, file.error(), ui, path);
    }
    int error = 0;
    CsvLoad load = loadCsvRows(table, [&](char* buffer, std::size_t capacity) {
        ssize_t n = file.read(buffer, capacity);
        if (n < 0) {
            error = errno;
        }
        return n;
    });
    if (outcome != nullptr) {
        *outcome = load;
    }
    return reportLoad(load, error, ui, path);
}

bool readCsvBytes(PrinterTable& table, std::string_view bytes, UserInteraction& ui) {
    CsvLoad load = loadCsvRows(table, [&bytes](char* buffer, std::size_t capacity) {
        std::size_t n = std::min(capacity, bytes.size());
        std::memcpy(buffer, bytes.data(), n);
        bytes.remove_prefix(n);
        return static_cast<ssize_t>(n);
    });
    return reportLoad(load, 0, ui);
}

} // namespace sorpex
