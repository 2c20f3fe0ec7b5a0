#include "fontconv/glyph_reduction.h"
#include "tests/fontconv/font_builders.h"

#include <gtest/gtest.h>

namespace zuvfntc {
namespace {

using namespace test;

ConvertOptions withDotSize(int size, bool alternative = false) {
    ConvertOptions options;
    options.dotSize = size;
    options.alternative = alternative;
    return options;
}

// A font with glyphs only at the given positions.
std::string fontWithGlyphsAt(std::string_view signature, const std::vector<std::size_t>& filled, IndexedGlyph glyph) {
    std::vector<std::optional<IndexedGlyph>> positions(filled.back() + 1);
    for (std::size_t i : filled) {
        positions[i] = glyph;
    }
    return indexedFont(signature, positions);
}

std::vector<std::uint16_t> codesOf(const std::string& font) {
    std::vector<std::uint16_t> codes;
    for (const ParsedRecord& record : parseFont(font)) {
        codes.push_back(record.code);
    }
    return codes;
}

TEST(IndexedFont, EmptyPositionKeepsItsCode) {
    std::string input = indexedFont("WIN", {indexedGlyph24(pattern24(1)), std::nullopt, indexedGlyph24(pattern24(2))});
    Conversion out = convert(input);
    // Inverted back to 1 for a dot and the pad byte of each row dropped.
    EXPECT_EQ(out.font, palivoxFont({palivoxRecord(0x6941, bytesOf(pattern24(1))),
                                     palivoxRecord(0x6943, bytesOf(pattern24(2)))}));
}

TEST(IndexedFont, PositionsNumberRowsOf190IbmOr188SjisCodes) {
    IndexedGlyph glyph = indexedGlyph24(pattern24(0));
    EXPECT_EQ(codesOf(convert(fontWithGlyphsAt("WIN", {189, 190}, glyph)).font),
              (std::vector<std::uint16_t>{0x69FE, 0x6A41}));
    EXPECT_EQ(codesOf(convert(fontWithGlyphsAt("Windows", {190}, glyph)).font), std::vector<std::uint16_t>{0x6A41});

    std::string windows = fontWithGlyphsAt("Windows", {62, 63, 187, 188}, glyph);
    EXPECT_EQ(codesOf(convert(windows, withDotSize(24, true)).font),
              (std::vector<std::uint16_t>{0xF07E, 0xF080, 0xF0FC, 0xF140}));
    // WIN files keep IBM codes under -7.
    std::string win = fontWithGlyphsAt("WIN", {63, 188}, glyph);
    EXPECT_EQ(codesOf(convert(win, withDotSize(24, true)).font), (std::vector<std::uint16_t>{0x6980, 0x69FD}));
}

TEST(IndexedFont, PositionsPastTheUserAreaAreNotConverted) {
    std::vector<std::optional<IndexedGlyph>> positions(4371, indexedGlyph24(pattern24(0)));
    std::vector<std::uint16_t> codes = codesOf(convert(indexedFont("WIN", positions)).font);
    ASSERT_EQ(codes.size(), 4370u);
    EXPECT_EQ(codes.back(), 0x7FFE);

    positions.resize(1881);
    codes = codesOf(convert(indexedFont("Windows", positions), withDotSize(24, true)).font);
    ASSERT_EQ(codes.size(), 1880u);
    EXPECT_EQ(codes.back(), 0xF9FC);
}

TEST(IndexedFont, WinTakes24DotGlyphsOnly) {
    Conversion out = convert(indexedFont("WIN", {indexedGlyph64(pattern64(1))}), withDotSize(64));
    EXPECT_EQ(out.font, "");
    EXPECT_EQ(out.console, "");
}

TEST(IndexedFont, Windows64DotGlyphFollowsTheDotSize) {
    Dots64 dots = pattern64(5);
    std::string input = indexedFont("Windows", {indexedGlyph64(dots)});

    Dots24 small{};
    reduce64To24(dots, small);
    EXPECT_EQ(convert(input).font, palivoxFont({palivoxRecord(0x6941, bytesOf(small))}));

    std::array<std::uint8_t, 128> middle{};
    reduce64To32(dots, middle);
    EXPECT_EQ(convert(input, withDotSize(32)).font,
              palivoxFont({palivoxRecord(0x6941, std::string(middle.begin(), middle.end()))}));

    EXPECT_EQ(convert(input, withDotSize(64)).font, palivoxFont({palivoxRecord(0x6941, bytesOf(dots))}));
}

TEST(IndexedFont, Windows24DotGlyphStays24DotsAtEveryDotSize) {
    std::string input = indexedFont("Windows", {indexedGlyph24(pattern24(4))});
    std::string expected = palivoxFont({palivoxRecord(0x6941, bytesOf(pattern24(4)))});
    for (int size : {24, 32, 64}) {
        EXPECT_EQ(convert(input, withDotSize(size)).font, expected) << size;
    }
}

TEST(IndexedFont, BadWidthOrHeightIsReportedAndSkipped) {
    IndexedGlyph narrow = indexedGlyph64(pattern64(1));
    narrow.width = 32;
    IndexedGlyph flat = indexedGlyph64(pattern64(1));
    flat.height = 48;
    IndexedGlyph oddBlock = indexedGlyph24(pattern24(1));
    oddBlock.blockSize = 108;
    std::string input =
        indexedFont("Windows", {narrow, indexedGlyph24(pattern24(2)), flat, oddBlock, indexedGlyph24(pattern24(3))});
    Conversion out = convert(input);
    EXPECT_EQ(out.console, "Error3Error4");
    EXPECT_EQ(codesOf(out.font), (std::vector<std::uint16_t>{0x6942, 0x6945}));
}

TEST(IndexedFont, BlockSizeMustAgreeWithTheHeight) {
    // A 64-row glyph in a 104-byte block would be reduced from bytes that are not there.
    IndexedGlyph tall = indexedGlyph24(pattern24(1));
    tall.width = 64;
    tall.height = 64;
    IndexedGlyph wide = indexedGlyph64(pattern64(1));
    wide.height = 24;
    Conversion out = convert(indexedFont("Windows", {tall, wide, indexedGlyph24(pattern24(2))}));
    EXPECT_EQ(codesOf(out.font), std::vector<std::uint16_t>{0x6943});
    EXPECT_EQ(out.console, "");
}

TEST(IndexedFont, DamagedFilesEndTheReaderWithTheGlyphsSoFar) {
    std::string good = indexedFont("WIN", {indexedGlyph24(pattern24(1)), indexedGlyph24(pattern24(2))});
    const std::size_t indexAt = 128 + 16;

    std::string pastEnd = good;
    pastEnd[indexAt + 4 + 3] = '\x7F'; // second glyph offset far past the end
    EXPECT_EQ(codesOf(convert(pastEnd).font), std::vector<std::uint16_t>{0x6941});

    std::string hugeCount = good;
    hugeCount[78] = '\xFF';
    hugeCount[79] = '\xFF';
    EXPECT_EQ(convert(hugeCount).glyphs, 2);

    std::string hugeBase = good;
    hugeBase.replace(98, 4, "\xFF\xFF\xFF\xFF");
    EXPECT_EQ(convert(hugeBase).glyphs, 0);

    // The last glyph's bitmap is cut short, at every length.
    for (std::size_t cut = good.size() - 104; cut < good.size(); ++cut) {
        EXPECT_EQ(convert(good.substr(0, cut)).glyphs, 1) << cut;
    }
    EXPECT_EQ(convert(good.substr(0, 80)).glyphs, 0);
}

TEST(GlyphReduction, TopEightRowsGiveThreeRowsAt24Dots) {
    Dots64 dots{};
    std::fill_n(dots.begin(), 64, 0xFF);
    Dots24 small{};
    reduce64To24(dots, small);
    Dots24 expected{};
    std::fill_n(expected.begin(), 9, 0xFF);
    EXPECT_EQ(small, expected);
}

TEST(GlyphReduction, CellsOf3x3And2DotsAt24Dots) {
    Dots64 dots{};
    dots[63 * 8 + 7] = 0x01; // the bottom-right dot alone sets the bottom-right cell
    dots[6 * 8 + 0] = 0x20;  // row 6, column 2: third row group, first column cell
    Dots24 small{};
    reduce64To24(dots, small);
    Dots24 expected{};
    expected[71] = 0x01;
    expected[2 * 3] = 0x80;
    EXPECT_EQ(small, expected);
}

// Source rows and columns 0-2, 3-5 and 6-7 of every eight make one output row or column each.
int cell24(int source) {
    constexpr int kCellOf[8] = {0, 0, 0, 1, 1, 1, 2, 2};
    return 3 * (source / 8) + kCellOf[source % 8];
}

TEST(GlyphReduction, EverySourceRowAndColumnFallsInExactlyOneCellAt24Dots) {
    for (int i = 0; i < 64; ++i) {
        Dots64 row{};
        std::fill_n(row.begin() + i * 8, 8, 0xFF);
        Dots24 expected{};
        std::fill_n(expected.begin() + cell24(i) * 3, 3, 0xFF);
        Dots24 small{};
        reduce64To24(row, small);
        EXPECT_EQ(small, expected) << "row " << i;

        Dots64 column{};
        expected.fill(0);
        for (int r = 0; r < 64; ++r) {
            column[r * 8 + i / 8] = static_cast<std::uint8_t>(0x80 >> (i % 8));
        }
        for (int k = 0; k < 24; ++k) {
            expected[k * 3 + cell24(i) / 8] = static_cast<std::uint8_t>(0x80 >> (cell24(i) % 8));
        }
        reduce64To24(column, small);
        EXPECT_EQ(small, expected) << "column " << i;
    }
}

// Builds a 64-dot glyph from rows given as 64-bit numbers (column 0 in the top bit).
Dots64 rows64(const std::vector<std::pair<int, std::uint64_t>>& rows) {
    Dots64 dots{};
    for (const auto& [row, bits] : rows) {
        for (int b = 0; b < 8; ++b) {
            dots[row * 8 + b] = static_cast<std::uint8_t>(bits >> (56 - 8 * b));
        }
    }
    return dots;
}

std::array<std::uint8_t, 128> reduced32(const Dots64& dots) {
    std::array<std::uint8_t, 128> out{};
    reduce64To32(dots, out);
    return out;
}

TEST(GlyphReduction, ThirtyTwoDotsKeepLinesTwoDotsWide) {
    std::vector<std::pair<int, std::uint64_t>> column;
    for (int r = 0; r < 64; ++r) {
        column.push_back({r, 0x0030000000000000ull}); // columns 10 and 11
    }
    std::array<std::uint8_t, 128> expected{};
    for (int t = 0; t < 32; ++t) {
        expected[t * 4] = 0x04; // column 5
    }
    EXPECT_EQ(reduced32(rows64(column)), expected);

    expected.fill(0);
    std::fill_n(expected.begin() + 40, 4, 0xFF);
    EXPECT_EQ(reduced32(rows64({{20, ~0ull}, {21, ~0ull}})), expected);

    const std::array<std::uint8_t, 128> blank{};
    EXPECT_EQ(reduced32(rows64({{10, 1ull << 63}})), blank); // a lone dot vanishes
}

TEST(GlyphReduction, StrokeTwoDotsWideLandsInHalfItsColumnAt32Dots) {
    // Output column x takes three intermediate columns from 2x: a stroke starting at an odd
    // column is kept by the third.
    for (int c = 0; c < 63; ++c) {
        std::vector<std::pair<int, std::uint64_t>> stroke;
        for (int r = 0; r < 64; ++r) {
            stroke.push_back({r, 3ull << (62 - c)});
        }
        std::array<std::uint8_t, 128> expected{};
        for (int t = 0; t < 32; ++t) {
            expected[t * 4 + c / 16] = static_cast<std::uint8_t>(0x80 >> (c / 2 % 8));
        }
        EXPECT_EQ(reduced32(rows64(stroke)), expected) << "columns " << c << " and " << c + 1;
    }
}

TEST(GlyphReduction, FullRowBelowVetoesASingleRow) {
    std::array<std::uint8_t, 128> expected{};
    std::fill_n(expected.begin() + 40, 4, 0xFF);
    EXPECT_EQ(reduced32(rows64({{20, ~0ull}})), expected);

    // Row 22 fully set: output row 10 loses row 20, which output row 11 does not take.
    expected.fill(0);
    std::fill_n(expected.begin() + 44, 4, 0xFF);
    EXPECT_EQ(reduced32(rows64({{20, ~0ull}, {22, ~0ull}})), expected);

    Dots64 full{};
    full.fill(0xFF);
    std::array<std::uint8_t, 128> all{};
    all.fill(0xFF);
    EXPECT_EQ(reduced32(full), all);
}

} // namespace
} // namespace zuvfntc
