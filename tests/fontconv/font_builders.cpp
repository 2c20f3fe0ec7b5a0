#include "tests/fontconv/font_builders.h"

#include "fontconv/console.h"
#include "fontconv/font_detection.h"
#include "fontconv/font_writer.h"

#include <sstream>
#include <stdexcept>

namespace zuvfntc::test {
namespace {

void putLe16(std::string& out, std::size_t at, std::uint32_t value) {
    out[at] = static_cast<char>(value & 0xFF);
    out[at + 1] = static_cast<char>(value >> 8 & 0xFF);
}

void putLe32(std::string& out, std::size_t at, std::uint32_t value) {
    putLe16(out, at, value & 0xFFFF);
    putLe16(out, at + 2, value >> 16);
}

} // namespace

Dots24 pattern24(int seed) {
    Dots24 dots{};
    for (std::size_t i = 0; i < dots.size(); ++i) {
        dots[i] = static_cast<std::uint8_t>(i * 7 + seed * 31 + 1);
    }
    return dots;
}

Dots64 pattern64(int seed) {
    Dots64 dots{};
    for (std::size_t i = 0; i < dots.size(); ++i) {
        dots[i] = static_cast<std::uint8_t>(i * 13 + seed * 17 + 3);
    }
    return dots;
}

IndexedGlyph indexedGlyph24(const Dots24& dots) {
    IndexedGlyph glyph;
    for (std::size_t row = 0; row < 24; ++row) {
        for (std::size_t b = 0; b < 3; ++b) {
            glyph.stored.push_back(static_cast<char>(~dots[row * 3 + b]));
        }
        glyph.stored.push_back('\xFF'); // pad byte, blank
    }
    return glyph;
}

IndexedGlyph indexedGlyph64(const Dots64& dots) {
    IndexedGlyph glyph{520, 64, 64, {}};
    for (std::uint8_t b : dots) {
        glyph.stored.push_back(static_cast<char>(~b));
    }
    return glyph;
}

std::string indexedFont(std::string_view signature, const std::vector<std::optional<IndexedGlyph>>& positions) {
    const std::uint32_t base = 128;
    const std::uint32_t index = 16; // relative to the base
    std::string file(base + index + 4 * positions.size(), '\0');
    file.replace(0, signature.size(), signature);
    putLe16(file, 78, static_cast<std::uint32_t>(positions.size()));
    putLe32(file, 98, base);
    putLe32(file, base + 4, index);
    for (std::size_t i = 0; i < positions.size(); ++i) {
        if (!positions[i]) {
            continue;
        }
        const IndexedGlyph& glyph = *positions[i];
        putLe32(file, base + index + 4 * i, static_cast<std::uint32_t>(file.size() - base));
        std::string header(8, '\0');
        putLe16(header, 0, glyph.blockSize);
        putLe16(header, 4, glyph.width);
        putLe16(header, 6, glyph.height);
        file += header + glyph.stored;
    }
    return file;
}

std::array<std::uint8_t, 120> blockData(const Dots24& dots) {
    std::array<std::uint8_t, 120> data{};
    for (int k = 0; k < 24; ++k) {
        std::uint32_t row = static_cast<std::uint32_t>(dots[k * 3]) << 16 | dots[k * 3 + 1] << 8 | dots[k * 3 + 2];
        // Left half: columns 0-6 in the low bits of W, 7-14 in X. Right half: columns 12-23 in
        // the top of Y and Z; the shared columns 12-14 are left to the left half.
        data[4 + 2 * k] = static_cast<std::uint8_t>(row >> 17 & 0x7F);
        data[5 + 2 * k] = static_cast<std::uint8_t>(row >> 9 & 0xFF);
        data[64 + 2 * k] = static_cast<std::uint8_t>(row >> 4 & 0x1F);
        data[65 + 2 * k] = static_cast<std::uint8_t>((row & 0x0F) << 4);
    }
    return data;
}

std::string blockRecord(std::uint16_t code, const std::array<std::uint8_t, 120>& data, std::uint8_t length) {
    std::string record;
    record.push_back(static_cast<char>(code & 0xFF));
    record.push_back(static_cast<char>(code >> 8));
    record.push_back(static_cast<char>(length));
    record.append(reinterpret_cast<const char*>(data.data()), data.size());
    return record;
}

std::string padBlock(std::string block) {
    if (block.size() > 512) {
        throw std::logic_error("block over 512 bytes");
    }
    block.resize(512, '\0');
    return block;
}

std::string hostFont(const std::vector<std::pair<std::uint16_t, Dots24>>& records) {
    std::string file("\xD2\xD1\x40\x40\xD7\xC7\x40", 7);
    file.resize(74, '\x40');
    for (const auto& [code, dots] : records) {
        file.push_back(static_cast<char>(code >> 8));
        file.push_back(static_cast<char>(code & 0xFF));
        file += bytesOf(dots);
    }
    return file;
}

std::string bytesOf(const Dots24& dots) {
    return std::string(reinterpret_cast<const char*>(dots.data()), dots.size());
}
std::string bytesOf(const Dots64& dots) {
    return std::string(reinterpret_cast<const char*>(dots.data()), dots.size());
}

std::string palivoxRecord(std::uint16_t code, std::string_view bitmap) {
    std::string record(4, '\0');
    putLe16(record, 0, code);
    putLe16(record, 2, static_cast<std::uint32_t>(bitmap.size()));
    record += bitmap;
    return record;
}

std::string palivoxFont(const std::vector<std::string>& records, bool alternative) {
    std::string font(alternative ? kFontIdentification5 : kFontIdentification);
    for (const std::string& record : records) {
        font += record;
    }
    return font;
}

std::vector<ParsedRecord> parseFont(std::string_view font) {
    std::vector<ParsedRecord> records;
    if (font.empty()) {
        return records;
    }
    if (font.size() < 16 || !font.starts_with("PALIVOX FONT")) {
        throw std::runtime_error("no font identification");
    }
    std::size_t at = 16;
    while (at < font.size()) {
        if (font.size() - at < 4) {
            throw std::runtime_error("truncated record header");
        }
        auto byte = [&](std::size_t i) { return static_cast<std::uint8_t>(font[at + i]); };
        std::uint16_t code = static_cast<std::uint16_t>(byte(1) << 8 | byte(0));
        std::size_t length = static_cast<std::size_t>(byte(3) << 8 | byte(2));
        if (length != 72 && length != 128 && length != 512) {
            throw std::runtime_error("bad record length");
        }
        if (font.size() - at - 4 < length) {
            throw std::runtime_error("truncated bitmap");
        }
        records.push_back({code, std::string(font.substr(at + 4, length))});
        at += 4 + length;
    }
    return records;
}

Conversion convert(std::string_view input, const ConvertOptions& options) {
    std::istringstream file{std::string(input)};
    std::istringstream keys;
    std::ostringstream font;
    std::ostringstream screen;
    Console console(keys, screen);
    FontWriter writer(font, options, console);
    convertFont(file, writer);
    return {font.str(), screen.str(), writer.glyphCount()};
}

} // namespace zuvfntc::test
