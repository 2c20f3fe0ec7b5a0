#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace zuvfntc {

// Bitmap sizes of the three glyph sizes a PALIVOX font holds.
inline constexpr std::uint16_t kLength24 = 72;  // 24 rows of 3 bytes
inline constexpr std::uint16_t kLength32 = 128; // 32 rows of 4 bytes
inline constexpr std::uint16_t kLength64 = 512; // 64 rows of 8 bytes

// One glyph as the readers hand it to the writer; `length` bytes of `bitmap` are used.
struct GlyphRecord {
    std::uint16_t code = 0;
    std::uint16_t length = 0;
    std::array<std::uint8_t, kLength64> bitmap{};
};

inline constexpr std::string_view kFontIdentification = "PALIVOX FONT    ";
inline constexpr std::string_view kFontIdentification5 = "PALIVOX FONT 5  ";
inline constexpr std::string_view kTableIdentification = "PALIVOX TABLE   ";

// What the options of the command line change in the conversion.
struct ConvertOptions {
    bool dump = false;
    bool continuous = false;
    int dotSize = 24; // 24, 32 or 64
    bool alternative = false;
};

} // namespace zuvfntc
