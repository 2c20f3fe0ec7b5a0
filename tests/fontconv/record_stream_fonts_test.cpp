#include "fontconv/user_codes.h"
#include "tests/fontconv/font_builders.h"

#include <gtest/gtest.h>

namespace zuvfntc {
namespace {

using namespace test;

std::string fourRecordBlock(std::uint16_t firstCode, int seed) {
    std::string block;
    for (int r = 0; r < 4; ++r) {
        block += blockRecord(static_cast<std::uint16_t>(firstCode + r), blockData(pattern24(seed + r)));
    }
    EXPECT_EQ(block.size(), 492u);
    return padBlock(block); // 20 bytes of zero filler: an invalid code
}

TEST(BlockStream, FourRecordsAndFillerPerBlock) {
    std::string input = fourRecordBlock(0xA384, 0) + fourRecordBlock(0xA384 + 190, 4);
    std::vector<std::string> expected;
    for (int r = 0; r < 4; ++r) {
        expected.push_back(palivoxRecord(static_cast<std::uint16_t>(0x6941 + r), bytesOf(pattern24(r))));
    }
    for (int r = 0; r < 4; ++r) {
        expected.push_back(palivoxRecord(static_cast<std::uint16_t>(0x6A41 + r), bytesOf(pattern24(4 + r))));
    }
    EXPECT_EQ(convert(input).font, palivoxFont(expected));
}

TEST(BlockStream, CodeBytesGiveUserCodesAndShowTheSourceCodeInTheDump) {
    std::string input = padBlock(std::string("\x84\xA3\x78", 3) + std::string(120, '\0')) +
                        padBlock(blockRecord(0xB495, blockData(pattern24(1))));
    ConvertOptions dump;
    dump.dump = true;
    dump.continuous = true;
    Conversion out = convert(input, dump);
    std::vector<ParsedRecord> records = parseFont(out.font);
    ASSERT_EQ(records.size(), 2u);
    EXPECT_EQ(records[0].code, 0x6941);
    EXPECT_EQ(records[1].code, 0x7FFE);
    EXPECT_NE(out.console.find(" Code : 6941(A384), Length : 0048\n"), std::string::npos);
    EXPECT_NE(out.console.find(" Code : 7FFE(B495), Length : 0048\n"), std::string::npos);
}

TEST(BlockStream, PacksBothHalvesWithTheSharedColumnsCombined) {
    std::array<std::uint8_t, 120> data{};
    data[4] = 0xFF;  // W: its top bit lies left of column 0
    data[5] = 0x00;  // X
    data[64] = 0xE0; // Y: its top three bits are the shared columns 12 to 14
    data[65] = 0x0F; // Z: only its top four bits are used
    data[6] = 0x00;
    data[7] = 0x01;  // row 1: column 14 from the left half
    data[66] = 0x1F; // and columns 15 to 19 from the right
    data[67] = 0xA0;
    std::vector<ParsedRecord> records = parseFont(convert(padBlock(blockRecord(0xA384, data))).font);
    ASSERT_EQ(records.size(), 1u);
    std::string expected(72, '\0');
    expected.replace(0, 6, "\xFE\x0E\x00\x00\x03\xFA", 6);
    EXPECT_EQ(records[0].bitmap, expected);
}

TEST(BlockStream, InvalidCodeOrLengthSkipsTheRestOfTheBlock) {
    std::string badCode =
        padBlock(blockRecord(0xB496, blockData(pattern24(0))) + blockRecord(0xA385, blockData(pattern24(1))));
    std::string badLength =
        padBlock(blockRecord(0xA386, blockData(pattern24(2)), 119) + blockRecord(0xA387, blockData(pattern24(3))));
    std::string good = padBlock(blockRecord(0xA388, blockData(pattern24(4))));
    std::vector<ParsedRecord> records = parseFont(convert(badCode + badLength + good).font);
    ASSERT_EQ(records.size(), 1u);
    EXPECT_EQ(records[0].code, 0x6941 + 4);
}

TEST(BlockStream, RecordAcrossTheBlockEndIsDropped) {
    std::string block;
    for (int r = 0; r < 4; ++r) {
        block += blockRecord(static_cast<std::uint16_t>(0xA384 + r), blockData(pattern24(r)));
    }
    block += blockRecord(0xA390, blockData(pattern24(9))).substr(0, 20); // the fifth would end past 512
    std::string input = block + padBlock(blockRecord(0xA391, blockData(pattern24(5))));
    std::vector<ParsedRecord> records = parseFont(convert(input).font);
    ASSERT_EQ(records.size(), 5u);
    EXPECT_EQ(records[3].code, 0x6944);
    EXPECT_EQ(records[4].code, 0x6941 + 0x0D);
    EXPECT_EQ(records[4].bitmap, bytesOf(pattern24(5)));
}

TEST(BlockStream, UnrecognisedDataGivesNothing) {
    EXPECT_EQ(convert("plain text, no font at all\n").font, "");
    EXPECT_EQ(convert(std::string(3000, '\xA3')).font, "");
    EXPECT_EQ(convert("").font, "");
}

TEST(PalivoxFont, ReReadingKeepsGlyphsAndIgnoresTheTableSection) {
    std::vector<std::string> records = {palivoxRecord(0x6941, bytesOf(pattern24(1))),
                                        palivoxRecord(0x7FFE, bytesOf(pattern24(2)))};
    std::string font = palivoxFont(records);
    std::string table = std::string("PALIVOX TABLE   \0\0\x48\x67", 20);
    EXPECT_EQ(convert(font + table).font, font);
    EXPECT_EQ(convert(font).font, font);
}

TEST(PalivoxFont, AlternativeOrLargerGlyphsStopTheReader) {
    EXPECT_EQ(convert(palivoxFont({palivoxRecord(0xF040, bytesOf(pattern24(1)))}, true)).font, "");
    EXPECT_EQ(convert(palivoxFont({palivoxRecord(0x6941, std::string(128, '\x55'))})).font, "");
    EXPECT_EQ(convert(palivoxFont({palivoxRecord(0x6941, bytesOf(pattern64(1)))})).font, "");
    // The first non-24-dot record ends the reading; what came before stays.
    std::string first = palivoxRecord(0x6941, bytesOf(pattern24(1)));
    EXPECT_EQ(convert(palivoxFont({first, palivoxRecord(0x6942, std::string(128, '\x55')), first})).font,
              palivoxFont({first}));
}

TEST(HostFont, RecordOutsideTheUserAreaIsSkippedWithItsBitmap) {
    std::string input =
        hostFont({{0x4040, pattern24(1)}, {0x6941, pattern24(2)}, {0x8000, pattern24(3)}, {0x7FFE, pattern24(4)}});
    EXPECT_EQ(convert(input).font, palivoxFont({palivoxRecord(0x6941, bytesOf(pattern24(2))),
                                                palivoxRecord(0x7FFE, bytesOf(pattern24(4)))}));
}

// Every prefix of a valid file of each kind converts without harm and gives a prefix of the
// glyphs of the whole file.
TEST(RecordStreams, EveryTruncationKeepsTheGlyphsBeforeIt) {
    std::vector<std::string> inputs = {
        fourRecordBlock(0xA384, 0),
        hostFont({{0x6941, pattern24(2)}, {0x6942, pattern24(3)}}),
        palivoxFont({palivoxRecord(0x6941, bytesOf(pattern24(1))), palivoxRecord(0x6942, bytesOf(pattern24(2)))}),
        indexedFont("Windows", {indexedGlyph64(pattern64(1)), indexedGlyph24(pattern24(2))}),
    };
    for (const std::string& input : inputs) {
        std::string whole = convert(input).font;
        ASSERT_FALSE(whole.empty());
        for (std::size_t cut = 0; cut < input.size(); ++cut) {
            std::string part = convert(input.substr(0, cut)).font;
            if (!part.empty()) {
                ASSERT_TRUE(whole.starts_with(part)) << cut;
                ASSERT_NO_THROW(parseFont(part)) << cut;
            }
        }
    }
}

} // namespace
} // namespace zuvfntc
