#include "inventory/csv_file.h"

#include "base/cp932.h"
#include "base/input_file.h"
#include "base/interaction.h"
#include "base/replacing_file.h"
#include "inventory/csv_reader.h"

#include <cerrno>
#include <cstring>

namespace sorpex {
namespace {

// Between quotes unless the text already begins with one; nothing inside is escaped.
void appendQuoted(std::string& line, std::string_view text) {
    if (!text.empty() && text.front() == '"') {
        line += text;
        return;
    }
    line += '"';
    line += text;
    line += '"';
}

void showErrorCode(UserInteraction& ui, const char* utf8Text, int error) {
    ui.showMessage(cp932::fromUtf8(utf8Text) + std::to_string(error), MessageIcon::Stop, MessageButtons::Ok);
}

// Turns the end of a load into its message; the result of readCsvFile.
bool reportLoad(CsvLoad load, int error, UserInteraction& ui) {
    switch (load) {
    case CsvLoad::Complete:
        return true;
    case CsvLoad::TableFull:
        ui.showMessage(cp932::fromUtf8("件数が上限を超えています。範囲内で処理します。"), MessageIcon::Warning,
                       MessageButtons::Ok);
        return true;
    case CsvLoad::Rejected:
        ui.showMessage(cp932::fromUtf8("プリンタ情報CSVファイルではありません"), MessageIcon::Stop, MessageButtons::Ok);
        return false;
    case CsvLoad::ReadError:
        showErrorCode(ui, "ファイルオープンエラー\nError Code = ", error);
        return false;
    }
    return false;
}

} // namespace

std::string csvLine(const PrinterRecord& row) {
    std::string line;
    line.reserve(row.comment.view().size() + row.model.view().size() + row.sysDescr.view().size() + 64);
    appendQuoted(line, row.comment.view());
    line += ',';
    line += row.ipAddress.view();
    line += ',';
    line += row.community.view();
    line += ',';
    appendQuoted(line, row.model.view());
    line += ',';
    line += row.count.view();
    line += ',';
    appendQuoted(line, row.sysName.view());
    line += ',';
    appendQuoted(line, row.sysLocation.view());
    line += ',';
    appendQuoted(line, row.sysContact.view());
    line += ',';
    appendQuoted(line, row.sysDescr.view());
    return line;
}

bool writeCsvFile(PrinterTable& table, const std::string& path, UserInteraction& ui) {
    ReplacingFile file(nativePath(path));
    bool written = file.open() && file.write(std::string(kCsvHeader) + "\r\n");
    for (int i = 0, end = table.terminatorSlot(); written && i < end; ++i) {
        const PrinterRecord& row = table.slot(i);
        if (row.id == kEmptySlotId) {
            continue;
        }
        written = file.write(csvLine(row) + "\r\n");
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

bool readCsvFile(PrinterTable& table, const std::string& path, UserInteraction& ui) {
    InputFile file(nativePath(path));
    if (!file.isOpen()) {
        showErrorCode(ui, "ファイルオープンエラー\nError Code = ", file.error());
        return false;
    }
    int error = 0;
    CsvLoad load = loadCsvRows(table, [&](char* buffer, std::size_t capacity) {
        ssize_t n = file.read(buffer, capacity);
        if (n < 0) {
            error = errno;
        }
        return n;
    });
    return reportLoad(load, error, ui);
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
