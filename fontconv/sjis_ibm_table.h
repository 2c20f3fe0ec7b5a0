#pragma once

#include <cstddef>
#include <cstdint>

namespace zuvfntc {

// The IBM host kanji code of a Shift-JIS code, as the printer's table section expects it;
// 0 outside the table's five ranges and for codes with no IBM counterpart.
std::uint16_t sjisToIbm(std::uint16_t sjis);

} // namespace zuvfntc
