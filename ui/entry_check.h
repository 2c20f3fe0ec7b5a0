#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace sorpex {

class PrinterTable;

// An IPv4 address as the address controls give it: the first octet in the most significant byte.
std::string dottedAddress(std::uint32_t address);

// Reads a row's stored address for the entry dialog: four decimal octets of 0 to 255. Leading
// zeros are decimal, as the acquisition run reads them. Nothing when the text does not parse.
std::optional<std::uint32_t> parseStoredAddress(std::string_view text);

// The first reason the entry dialog refuses an entry, CP932; empty when it is accepted. The
// duplicate check skips the row whose id is `skipId` (0 skips none).
std::string entryRefusal(const PrinterTable& table, std::uint32_t address, std::string_view community, int skipId);

} // namespace sorpex
