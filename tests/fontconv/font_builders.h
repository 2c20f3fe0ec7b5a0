#pragma once

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "fontconv/glyph_record.h"

// Input fonts of every kind, built byte by byte the way the files lay them out.
namespace zuvfntc::test {

using Dots24 = std::array<std::uint8_t, 72>;
using Dots64 = std::array<std::uint8_t, 512>;

// A recognisable 24-dot picture that differs with `seed`.
Dots24 pattern24(int seed);
Dots64 pattern64(int seed);

// One glyph block of an indexed file: header words and the bitmap as stored (0 is a dot).
struct IndexedGlyph {
    std::uint16_t blockSize = 104;
    std::uint16_t width = 24;
    std::uint16_t height = 24;
    std::string stored;
};
IndexedGlyph indexedGlyph24(const Dots24& dots);
IndexedGlyph indexedGlyph64(const Dots64& dots);

// An indexed font: `signature` ("WIN" or "Windows"), then one index position per element,
// empty where there is no glyph.
std::string indexedFont(std::string_view signature, const std::vector<std::optional<IndexedGlyph>>& positions);

// A block-stream record: code low byte first, length byte, 120 data bytes.
std::string blockRecord(std::uint16_t code, const std::array<std::uint8_t, 120>& data, std::uint8_t length = 120);
// 120 data bytes whose two halves pack into `dots`' first 15 and last 12 columns.
std::array<std::uint8_t, 120> blockData(const Dots24& dots);
// Pads `block` to a whole 512-byte block with zero filler.
std::string padBlock(std::string block);

std::string hostFont(const std::vector<std::pair<std::uint16_t, Dots24>>& records);

// A PALIVOX font as the writer lays it out.
std::string palivoxRecord(std::uint16_t code, std::string_view bitmap);
std::string palivoxFont(const std::vector<std::string>& records, bool alternative = false);
std::string bytesOf(const Dots24& dots);
std::string bytesOf(const Dots64& dots);

// The records of a written font, read back.
struct ParsedRecord {
    std::uint16_t code;
    std::string bitmap;
};
std::vector<ParsedRecord> parseFont(std::string_view font);

// One conversion of `input` in memory: the font written and what the console showed.
struct Conversion {
    std::string font;
    std::string console;
    int glyphs = 0;
};
Conversion convert(std::string_view input, const ConvertOptions& options = {});

} // namespace zuvfntc::test
