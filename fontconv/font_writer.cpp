#include "fontconv/font_writer.h"

#include "fontconv/console.h"
#include "fontconv/sjis_ibm_table.h"

#include <algorithm>
#include <cstdio>
#include <istream>
#include <ostream>
#include <string>

namespace zuvfntc {
namespace {

// Entries of the IBM numbering per row (second bytes 0x41 to 0xFE); each row of the table
// section is padded to 256 entries.
constexpr int kEntriesPerRow = 190;
constexpr int kRowPadding = 66;

void writeBytes(std::ostream& output, const void* data, std::size_t size) {
    output.write(static_cast<const char*>(data), static_cast<std::streamsize>(size));
}

} // namespace

FontWriter::FontWriter(std::ostream& output, const ConvertOptions& options, Console& console)
    : m_output(output), m_options(options), m_console(console) {}

void FontWriter::emitGlyph(const GlyphRecord& glyph, std::uint16_t sourceCode) {
    if (m_options.dump) {
        dumpGlyph(glyph, sourceCode);
    }
    if (m_glyphCount == 0) {
        std::string_view id = m_options.alternative ? kFontIdentification5 : kFontIdentification;
        writeBytes(m_output, id.data(), id.size());
    }
    const std::uint8_t header[4] = {
        static_cast<std::uint8_t>(glyph.code & 0xFF), static_cast<std::uint8_t>(glyph.code >> 8),
        static_cast<std::uint8_t>(glyph.length & 0xFF), static_cast<std::uint8_t>(glyph.length >> 8)};
    writeBytes(m_output, header, sizeof header);
    writeBytes(m_output, glyph.bitmap.data(), std::min<std::size_t>(glyph.length, glyph.bitmap.size()));
    ++m_glyphCount;
}

void FontWriter::dumpGlyph(const GlyphRecord& glyph, std::uint16_t sourceCode) {
    int rows = glyph.length == kLength64 ? 64 : glyph.length == kLength32 ? 32 : 24;
    int rowBytes = rows / 8;
    char line[64];
    for (int r = 0; r < rows; ++r) {
        const std::uint8_t* row = glyph.bitmap.data() + r * rowBytes;
        std::snprintf(line, sizeof line, "\n%02X%02X%02X : ", row[0], row[1], row[2]);
        std::string text = line;
        for (int b = 0; b < rowBytes; ++b) {
            for (int bit = 7; bit >= 0; --bit) {
                text.push_back((row[b] >> bit) & 1 ? '*' : ' ');
            }
        }
        m_console.raw(text);
        // A 64-dot glyph does not fit a 25-line console: stop after every screenful.
        if (r > 0 && r % 24 == 0 && !m_options.continuous) {
            m_console.waitKey();
        }
    }
    std::snprintf(line, sizeof line, " Code : %04X(%04X), Length : %04X\n", glyph.code, sourceCode, glyph.length);
    m_console.raw(line);
    if (!m_options.continuous) {
        m_console.waitKey();
    }
}

void appendTable(std::istream& table, std::ostream& output) {
    writeBytes(output, kTableIdentification.data(), kTableIdentification.size());
    char skipped[2];
    table.read(skipped, 2);
    const char zero[2] = {0, 0};
    writeBytes(output, zero, 2);
    if (table.gcount() < 2) {
        return;
    }
    int inRow = 0;
    unsigned char entry[2];
    // A last single byte is no code and is left out.
    while (table.read(reinterpret_cast<char*>(entry), 2)) {
        std::uint16_t ibm = sjisToIbm(static_cast<std::uint16_t>(entry[0] << 8 | entry[1]));
        const std::uint8_t out[2] = {static_cast<std::uint8_t>(ibm >> 8), static_cast<std::uint8_t>(ibm & 0xFF)};
        writeBytes(output, out, 2);
        if (++inRow == kEntriesPerRow) {
            for (int i = 0; i < kRowPadding; ++i) {
                writeBytes(output, zero, 2);
            }
            inRow = 0;
        }
    }
}

} // namespace zuvfntc
