#pragma once

#include <cstdint>
#include <iosfwd>

#include "fontconv/glyph_record.h"

namespace zuvfntc {

class Console;

// Writes the glyph records of a PALIVOX font, and shows them on the console with -d.
class FontWriter {
public:
    FontWriter(std::ostream& output, const ConvertOptions& options, Console& console);

    // `sourceCode` is the code the glyph had in the input, for the dump only.
    void emitGlyph(const GlyphRecord& glyph, std::uint16_t sourceCode = 0);
    void dumpGlyph(const GlyphRecord& glyph, std::uint16_t sourceCode);

    int glyphCount() const { return m_glyphCount; }
    const ConvertOptions& options() const { return m_options; }
    Console& console() { return m_console; }

private:
    std::ostream& m_output;
    const ConvertOptions& m_options;
    Console& m_console;
    int m_glyphCount = 0;
};

// Appends the code conversion table section built from a table file of Shift-JIS codes.
void appendTable(std::istream& table, std::ostream& output);

} // namespace zuvfntc
