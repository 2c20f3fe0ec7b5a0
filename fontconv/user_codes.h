#pragma once

#include <cstdint>

namespace zuvfntc {

// Positions the printer's user-defined areas hold: IBM codes 0x6941 to 0x7FFE, and Shift-JIS
// codes 0xF040 to 0xF9FC.
inline constexpr std::uint32_t kIbmUserPositions = 23 * 190;
inline constexpr std::uint32_t kSjisUserPositions = 10 * 188;

// The printer code of the glyph at position `i`: 190 codes per row, second bytes 0x41 to 0xFE.
constexpr std::uint32_t ibmUserCode(std::uint32_t i) {
    return 0x6941 + (i / 190) * 256 + i % 190;
}

// The Shift-JIS code of position `i`: 188 codes per lead byte, second bytes 0x40 to 0xFC
// without 0x7F.
constexpr std::uint32_t sjisUserCode(std::uint32_t i) {
    std::uint32_t code = 0xF040 + (i / 188) * 256 + i % 188;
    return (code & 0xFF) > 0x7E ? code + 1 : code;
}

} // namespace zuvfntc
