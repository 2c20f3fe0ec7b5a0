#pragma once

#include <cstdint>
#include <optional>
#include <string_view>

namespace sorpex {

// The SNMP version a printer is asked over. Default stands for the settings' Version key; the
// values are stored in the printer record, so they stay small and fixed.
enum class SnmpVersion : std::uint8_t { Default = 0, V1 = 1, V2c = 2, V3 = 3 };

// "1", "2c" and "3", as the settings file and the printer list write them; "" for Default.
constexpr std::string_view snmpVersionText(SnmpVersion version) {
    switch (version) {
    case SnmpVersion::V1:
        return "1";
    case SnmpVersion::V2c:
        return "2c";
    case SnmpVersion::V3:
        return "3";
    default:
        return "";
    }
}

// The version a text names (case matters not for "2C"); "" is Default; nothing for anything else.
constexpr std::optional<SnmpVersion> parseSnmpVersion(std::string_view text) {
    if (text.empty()) {
        return SnmpVersion::Default;
    }
    if (text == "1") {
        return SnmpVersion::V1;
    }
    if (text == "2c" || text == "2C") {
        return SnmpVersion::V2c;
    }
    if (text == "3") {
        return SnmpVersion::V3;
    }
    return std::nullopt;
}

} // namespace sorpex
