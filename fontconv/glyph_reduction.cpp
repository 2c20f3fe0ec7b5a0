#include "fontconv/glyph_reduction.h"

namespace zuvfntc {
namespace {

// A source row as one number, column 0 in the most significant bit; rows past the glyph are blank.
std::uint64_t sourceRow(std::span<const std::uint8_t, 512> source, int row) {
    if (row >= 64) {
        return 0;
    }
    std::uint64_t bits = 0;
    for (int b = 0; b < 8; ++b) {
        bits = bits << 8 | source[row * 8 + b];
    }
    return bits;
}

void writeRow(std::uint64_t bits, int bytes, std::uint8_t* target) {
    for (int b = 0; b < bytes; ++b) {
        target[b] = static_cast<std::uint8_t>(bits >> (8 * (bytes - 1 - b)));
    }
}

} // namespace

void reduce64To24(std::span<const std::uint8_t, 512> source, std::span<std::uint8_t, 72> target) {
    // Rows go in groups of 3, 3 and 2 source rows, columns in groups of 3, 3 and 2 of each byte.
    constexpr int kFirstRow[3] = {0, 3, 6};
    constexpr int kRowCount[3] = {3, 3, 2};
    constexpr std::uint8_t kCellMask[3] = {0xE0, 0x1C, 0x03};
    for (int k = 0; k < 24; ++k) {
        int first = 8 * (k / 3) + kFirstRow[k % 3];
        std::uint64_t merged = 0;
        for (int r = 0; r < kRowCount[k % 3]; ++r) {
            merged |= sourceRow(source, first + r);
        }
        std::uint32_t out = 0;
        for (int m = 0; m < 8; ++m) {
            auto byte = static_cast<std::uint8_t>(merged >> (56 - 8 * m));
            for (std::uint8_t mask : kCellMask) {
                out = out << 1 | ((byte & mask) != 0 ? 1u : 0u);
            }
        }
        writeRow(out, 3, target.data() + k * 3);
    }
}

void reduce64To32(std::span<const std::uint8_t, 512> source, std::span<std::uint8_t, 128> target) {
    for (int t = 0; t < 32; ++t) {
        std::uint64_t a = sourceRow(source, 2 * t);
        std::uint64_t b = sourceRow(source, 2 * t + 1);
        std::uint64_t c = sourceRow(source, 2 * t + 2);
        std::uint64_t merged = 0;
        for (int p = 0; p < 32; ++p) {
            int shift = 62 - 2 * p;
            std::uint64_t pairA = a >> shift & 3;
            std::uint64_t pairB = b >> shift & 3;
            std::uint64_t pairC = c >> shift & 3;
            int votes = (pairA != 0) + (pairB != 0) + (pairC != 3);
            if (votes >= 2) {
                merged |= (pairA | pairB) << shift;
            }
        }
        std::uint64_t out = 0;
        for (int x = 0; x < 32; ++x) {
            int set = 0;
            for (int column = 2 * x; column <= 2 * x + 2 && column < 64; ++column) {
                set += static_cast<int>(merged >> (63 - column) & 1);
            }
            out = out << 1 | (set >= 2 ? 1u : 0u);
        }
        writeRow(out, 4, target.data() + t * 4);
    }
}

} // namespace zuvfntc
