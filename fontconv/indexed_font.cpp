#include "fontconv/indexed_font.h"

#include "fontconv/byte_source.h"
#include "fontconv/console.h"
#include "fontconv/font_writer.h"
#include "fontconv/glyph_reduction.h"
#include "fontconv/user_codes.h"

#include <algorithm>
#include <array>
#include <optional>

namespace zuvfntc {
namespace {

constexpr std::uint64_t kCountOffset = 78;
constexpr std::uint64_t kBaseOffset = 98;
// Block sizes: an 8-byte glyph header, then rows padded to 4 bytes.
constexpr std::uint16_t kBlock24 = 104;
constexpr std::uint16_t kBlock64 = 520;

std::optional<std::uint16_t> readLe16At(ByteSource& source, std::uint64_t offset) {
    ByteRead low = source.seekAndRead(offset);
    ByteRead high = low.endOfFile() ? ByteRead{} : source.readByte();
    if (high.endOfFile()) {
        return std::nullopt;
    }
    return static_cast<std::uint16_t>(high.value << 8 | low.value);
}

std::optional<std::uint32_t> readLe32At(ByteSource& source, std::uint64_t offset) {
    std::optional<std::uint16_t> low = readLe16At(source, offset);
    std::optional<std::uint16_t> high = low ? readLe16(source) : std::nullopt;
    if (!high) {
        return std::nullopt;
    }
    return static_cast<std::uint32_t>(*high) << 16 | *low;
}

struct GlyphHeader {
    std::uint16_t blockSize;
    std::uint16_t width;
    std::uint16_t height;
};

// Whether the glyph is taken; under Windows rules a bad width or height is reported.
bool acceptGlyph(const GlyphHeader& header, IndexedRules rules, Console& console) {
    if (rules == IndexedRules::Win) {
        return header.blockSize == kBlock24 && header.width == 24 && header.height == 24;
    }
    if (header.blockSize != kBlock24 && header.blockSize != kBlock64) {
        return false;
    }
    if (header.width != 24 && header.width != 64) {
        console.say("Error3");
        return false;
    }
    if (header.height != 24 && header.height != 64) {
        console.say("Error4");
        return false;
    }
    // The bitmap is read by the block size and laid out by the height: they must agree, or
    // a 64-row glyph would be taken from a 96-byte block.
    return (header.blockSize == kBlock24) == (header.height == 24);
}

} // namespace

void readIndexedFont(ByteSource& source, FontWriter& writer, IndexedRules rules) {
    const ConvertOptions& options = writer.options();
    const bool sjisCodes = rules == IndexedRules::Windows && options.alternative;
    std::optional<std::uint16_t> count = readLe16At(source, kCountOffset);
    std::optional<std::uint32_t> base = count ? readLe32At(source, kBaseOffset) : std::nullopt;
    std::optional<std::uint32_t> index = base ? readLe32At(source, std::uint64_t{*base} + 4) : std::nullopt;
    if (!index) {
        return;
    }
    // Positions past the user-defined area would get codes of real characters.
    const std::uint32_t positions = std::min<std::uint32_t>(*count, sjisCodes ? kSjisUserPositions : kIbmUserPositions);
    for (std::uint32_t i = 0; i < positions; ++i) {
        std::optional<std::uint32_t> glyphOffset = readLe32At(source, std::uint64_t{*base} + *index + 4ull * i);
        if (!glyphOffset) {
            return;
        }
        if (*glyphOffset == 0) {
            continue;
        }
        std::optional<std::uint16_t> blockSize = readLe16At(source, std::uint64_t{*base} + *glyphOffset);
        std::optional<std::uint16_t> unused = blockSize ? readLe16(source) : std::nullopt;
        std::optional<std::uint16_t> width = unused ? readLe16(source) : std::nullopt;
        std::optional<std::uint16_t> height = width ? readLe16(source) : std::nullopt;
        if (!height) {
            return;
        }
        GlyphHeader header{*blockSize, *width, *height};
        if (!acceptGlyph(header, rules, writer.console())) {
            continue;
        }

        std::array<std::uint8_t, kBlock64 - 8> bits{};
        const std::size_t size = header.blockSize - 8u;
        if (!readBytes(source, bits.data(), size)) {
            return;
        }
        // The file stores 0 for a dot.
        for (std::size_t b = 0; b < size; ++b) {
            bits[b] = static_cast<std::uint8_t>(~bits[b]);
        }

        GlyphRecord glyph;
        glyph.code = static_cast<std::uint16_t>(sjisCodes ? sjisUserCode(i) : ibmUserCode(i));
        if (header.height == 24) {
            // Rows of 3 bytes and a pad byte.
            for (std::size_t row = 0; row < 24; ++row) {
                std::copy_n(bits.begin() + row * 4, 3, glyph.bitmap.begin() + row * 3);
            }
            glyph.length = kLength24;
        } else if (options.dotSize == 64) {
            std::copy(bits.begin(), bits.end(), glyph.bitmap.begin());
            glyph.length = kLength64;
        } else if (options.dotSize == 32) {
            reduce64To32(bits, std::span<std::uint8_t, kLength32>(glyph.bitmap.data(), kLength32));
            glyph.length = kLength32;
        } else {
            reduce64To24(bits, std::span<std::uint8_t, kLength24>(glyph.bitmap.data(), kLength24));
            glyph.length = kLength24;
        }
        writer.emitGlyph(glyph);
    }
}

} // namespace zuvfntc
