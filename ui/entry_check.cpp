#include "ui/entry_check.h"

#include "base/cp932.h"
#include "inventory/printer_table.h"

#include <cstdio>

namespace sorpex {

std::string dottedAddress(std::uint32_t address) {
    char text[16];
    std::snprintf(text, sizeof text, "%u.%u.%u.%u", address >> 24, (address >> 16) & 0xFF, (address >> 8) & 0xFF,
                  address & 0xFF);
    return text;
}

std::optional<std::uint32_t> parseStoredAddress(std::string_view text) {
    std::uint32_t address = 0;
    std::size_t pos = 0;
    for (int n = 0; n < 4; ++n) {
        if (n > 0) {
            if (pos == text.size() || text[pos] != '.') {
                return std::nullopt;
            }
            ++pos;
        }
        unsigned value = 0;
        std::size_t digits = 0;
        while (pos < text.size() && text[pos] >= '0' && text[pos] <= '9' && digits < 3) {
            value = value * 10 + static_cast<unsigned>(text[pos] - '0');
            ++pos;
            ++digits;
        }
        if (digits == 0 || value > 255) {
            return std::nullopt;
        }
        address = address << 8 | value;
    }
    if (pos != text.size()) {
        return std::nullopt;
    }
    return address;
}

std::string entryRefusal(const PrinterTable& table, std::uint32_t address, std::string_view community, int skipId) {
    if (address == 0) {
        return cp932::fromUtf8("IPアドレスを入力してください");
    }
    std::uint32_t last = address & 0xFF;
    if (last == 0 || last == 255) {
        return cp932::fromUtf8("IPアドレスの最後が 0 または 255 は使用できません");
    }
    if (community.empty()) {
        return cp932::fromUtf8("コミュニティ名を入力してください");
    }
    int duplicate = table.findByIpAddress(dottedAddress(address), skipId);
    if (duplicate >= 0) {
        return "ID_" + std::to_string(table.slot(duplicate).id) + cp932::fromUtf8("とIPアドレスが同じです");
    }
    return {};
}

} // namespace sorpex
