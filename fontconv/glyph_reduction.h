#pragma once

#include <cstdint>
#include <span>

namespace zuvfntc {

// 64 by 64 dots (8 bytes a row) to 24 by 24 (3 bytes a row); a dot is set when any source dot
// of its cell is.
void reduce64To24(std::span<const std::uint8_t, 512> source, std::span<std::uint8_t, 72> target);

// 64 by 64 dots to 32 by 32 (4 bytes a row), by majority over overlapping cells: strokes two
// dots wide are kept, lone dots and noise are dropped.
void reduce64To32(std::span<const std::uint8_t, 512> source, std::span<std::uint8_t, 128> target);

} // namespace zuvfntc
