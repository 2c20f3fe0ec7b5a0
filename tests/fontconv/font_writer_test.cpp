#include "fontconv/console.h"
#include "fontconv/font_writer.h"
#include "fontconv/sjis_ibm_table.h"
#include "fontconv/user_codes.h"
#include "tests/fontconv/font_builders.h"

#include <gtest/gtest.h>

#include <set>
#include <sstream>
#include <streambuf>

namespace zuvfntc {
namespace {

using test::bytesOf;
using test::pattern24;
using test::pattern64;

// Key presses that leave a mark in the console text where the program waited for them.
class MarkingKeys : public std::streambuf {
public:
    explicit MarkingKeys(std::ostream& screen) : m_screen(screen) {}

protected:
    int_type underflow() override { return traits_type::to_int_type('k'); }
    int_type uflow() override {
        m_screen << "<key>";
        return traits_type::to_int_type('k');
    }

private:
    std::ostream& m_screen;
};

struct Written {
    std::string font;
    std::string screen;
};

Written writeGlyphs(const std::vector<GlyphRecord>& glyphs, const ConvertOptions& options, std::uint16_t source = 0) {
    std::ostringstream font;
    std::ostringstream screen;
    MarkingKeys keyBuffer(screen);
    std::istream keys(&keyBuffer);
    Console console(keys, screen);
    FontWriter writer(font, options, console);
    for (const GlyphRecord& glyph : glyphs) {
        writer.emitGlyph(glyph, source);
    }
    return {font.str(), screen.str()};
}

GlyphRecord glyph24(std::uint16_t code, int seed) {
    GlyphRecord glyph;
    glyph.code = code;
    glyph.length = kLength24;
    test::Dots24 dots = pattern24(seed);
    std::copy(dots.begin(), dots.end(), glyph.bitmap.begin());
    return glyph;
}

TEST(FontWriter, OneGlyphFollowsTheIdentificationCodeLowByteFirst) {
    Written out = writeGlyphs({glyph24(0x6A41, 1)}, {});
    ASSERT_EQ(out.font.size(), 92u);
    EXPECT_EQ(out.font, std::string("PALIVOX FONT    \x41\x6A\x48\x00", 20) + bytesOf(pattern24(1)));
}

TEST(FontWriter, IdentificationIsWrittenOnceAndNotAtAllWithoutGlyphs) {
    EXPECT_EQ(writeGlyphs({}, {}).font, "");
    ConvertOptions alternative;
    alternative.alternative = true;
    Written two = writeGlyphs({glyph24(0xF040, 1), glyph24(0xF041, 2)}, alternative);
    EXPECT_EQ(two.font, test::palivoxFont({test::palivoxRecord(0xF040, bytesOf(pattern24(1))),
                                           test::palivoxRecord(0xF041, bytesOf(pattern24(2)))},
                                          true));
}

TEST(FontWriter, DumpShowsRowsAndCodeLineAndWaitsForAKey) {
    GlyphRecord glyph = glyph24(0x6941, 0);
    glyph.bitmap.fill(0);
    glyph.bitmap[0] = 0x80;
    glyph.bitmap[2] = 0x01;
    ConvertOptions options;
    options.dump = true;
    Written out = writeGlyphs({glyph}, options, 0xA384);
    std::string expected = "\n800001 : *                      *";
    for (int r = 1; r < 24; ++r) {
        expected += "\n000000 : " + std::string(24, ' ');
    }
    expected += " Code : 6941(A384), Length : 0048\n<key>";
    EXPECT_EQ(out.screen, expected);
    EXPECT_EQ(out.font.size(), 92u); // the dump does not replace the record
}

TEST(FontWriter, DumpOf64DotGlyphPausesAfterRows25And49UnlessContinuous) {
    GlyphRecord glyph;
    glyph.code = 0x6941;
    glyph.length = kLength64;
    test::Dots64 dots = pattern64(3);
    std::copy(dots.begin(), dots.end(), glyph.bitmap.begin());
    ConvertOptions options;
    options.dump = true;
    std::string screen = writeGlyphs({glyph}, options).screen;

    // Each row is a line break, 6 hex digits, " : " and 64 dots.
    const std::size_t rowText = 1 + 6 + 3 + 64;
    EXPECT_EQ(screen.find("<key>"), 25 * rowText);
    EXPECT_EQ(screen.find("<key>", 25 * rowText + 1), 49 * rowText + 5);
    EXPECT_TRUE(screen.ends_with(" Code : 6941(0000), Length : 0200\n<key>"));
    EXPECT_EQ(screen.substr(1, 6), "364350"); // the first three bytes of row 0

    options.continuous = true;
    EXPECT_EQ(writeGlyphs({glyph}, options).screen.find("<key>"), std::string::npos);
}

std::string tableSection(std::string_view tableFile) {
    std::istringstream table{std::string(tableFile)};
    std::ostringstream out;
    appendTable(table, out);
    return out.str();
}

std::string sjisCodes(std::uint16_t code, std::size_t count) {
    std::string codes = "\x12\x34"; // the two bytes that are skipped
    for (std::size_t i = 0; i < count; ++i) {
        codes.push_back(static_cast<char>(code >> 8));
        codes.push_back(static_cast<char>(code & 0xFF));
    }
    return codes;
}

TEST(TableSection, GroupsOf190EntriesArePaddedTo256) {
    std::string header("PALIVOX TABLE   \0\0", 18);
    std::string entries190;
    for (int i = 0; i < 190; ++i) {
        entries190 += "\x48\x67";
    }
    std::string padding(132, '\0');

    EXPECT_EQ(tableSection(sjisCodes(0x889F, 190)), header + entries190 + padding);
    EXPECT_EQ(tableSection(sjisCodes(0x889F, 191)), header + entries190 + padding + "\x48\x67");
    EXPECT_EQ(tableSection(sjisCodes(0x889F, 380)).size(), 18u + 2 * 512);
}

TEST(TableSection, ShortTableFilesGiveTheHeaderOnly) {
    std::string header("PALIVOX TABLE   \0\0", 18);
    EXPECT_EQ(tableSection("\x12\x34"), header);
    EXPECT_EQ(tableSection(""), header);
    EXPECT_EQ(tableSection("\x12\x34\x88"), header); // a last single byte is no code
    EXPECT_EQ(tableSection(std::string("\x12\x34\x88\x9F\x85\x40\x9F\xFF\x81\x40\x88", 11)),
              header + std::string("\x48\x67\0\0\0\0\x41\x40", 8));
}

TEST(SjisIbmTable, MatchesThePrinterDocumentedRowsAndCount) {
    EXPECT_EQ(sjisToIbm(0x8140), 0x4140);
    EXPECT_EQ(sjisToIbm(0x8141), 0x4344);
    EXPECT_EQ(sjisToIbm(0x8142), 0x4341);
    EXPECT_EQ(sjisToIbm(0x889F), 0x4867);
    EXPECT_EQ(sjisToIbm(0xFA40), 0x41B1);
    EXPECT_EQ(sjisToIbm(0xFC4B), 0x6856);
    EXPECT_EQ(sjisToIbm(0xFC4C), 0);
    EXPECT_EQ(sjisToIbm(0x813F), 0);
    EXPECT_EQ(sjisToIbm(0x84C0), 0);
    EXPECT_EQ(sjisToIbm(0xFC50), 0);

    int nonZero = 0;
    std::set<std::uint16_t> seen;
    for (std::uint32_t code = 0; code <= 0xFFFF; ++code) {
        std::uint16_t ibm = sjisToIbm(static_cast<std::uint16_t>(code));
        if (ibm != 0) {
            ++nonZero;
            EXPECT_TRUE(seen.insert(ibm).second) << "IBM code given twice, last by " << std::hex << code;
        }
    }
    EXPECT_EQ(nonZero, 9145);
}

TEST(SjisIbmTable, UserDefinedAreaNamesTheGlyphCodes) {
    // A table entry must name the code the glyph record of the same character carries.
    for (std::uint32_t n = 0; n < kSjisUserPositions; ++n) {
        ASSERT_EQ(sjisToIbm(static_cast<std::uint16_t>(sjisUserCode(n))), ibmUserCode(n)) << n;
    }
    EXPECT_EQ(sjisToIbm(0xF07F), 0);
    EXPECT_EQ(sjisToIbm(0xF0FD), 0);
    EXPECT_EQ(sjisToIbm(0xF9FC), 0x72EA);
}

} // namespace
} // namespace zuvfntc
