#include "fontconv/record_stream_fonts.h"

#include "fontconv/byte_source.h"
#include "fontconv/font_writer.h"
#include "fontconv/user_codes.h"

#include <array>
#include <optional>

namespace zuvfntc {
namespace {

// The block-stream user font: codes 0xA384 upwards number the user-defined characters.
constexpr std::uint16_t kFirstBlockCode = 0xA384;
constexpr std::uint16_t kLastBlockCode = 0xB495;
constexpr std::uint8_t kBlockGlyphBytes = 120;

constexpr std::uint16_t kFirstUserCode = 0x6941;
constexpr std::uint16_t kLastUserCode = 0x7FFE;

constexpr std::size_t kPalivoxHeader = 16;
constexpr std::size_t kHostHeader = 74;

bool isUserCode(std::uint16_t code) {
    return code >= kFirstUserCode && code <= kLastUserCode;
}

// Two 60-byte halves of 24 rows of 2 bytes; the left half holds columns 0 to 14, the right
// half columns 12 to 23, the three shared columns overlapping.
void packBlockGlyph(const std::array<std::uint8_t, kBlockGlyphBytes>& d, GlyphRecord& glyph) {
    for (int k = 0; k < 24; ++k) {
        std::uint32_t w = d[4 + 2 * k];
        std::uint32_t x = d[5 + 2 * k];
        std::uint32_t y = d[64 + 2 * k];
        std::uint32_t z = d[65 + 2 * k];
        std::uint32_t row = (w << 17) | ((x | (y >> 5)) << 9) | ((y & 0x1F) << 4) | (z >> 4);
        glyph.bitmap[k * 3] = static_cast<std::uint8_t>(row >> 16);
        glyph.bitmap[k * 3 + 1] = static_cast<std::uint8_t>(row >> 8);
        glyph.bitmap[k * 3 + 2] = static_cast<std::uint8_t>(row);
    }
    glyph.length = kLength24;
}

} // namespace

void readBlockStream(ByteSource& source, FontWriter& writer) {
    enum class State { Code, Length, Data, Skip };
    State state = State::Code;
    std::array<std::uint8_t, 2> codeBytes{};
    std::size_t codeFill = 0;
    std::uint16_t code = 0;
    std::array<std::uint8_t, kBlockGlyphBytes> data{};
    std::size_t dataFill = 0;

    while (true) {
        ByteRead byte = source.readByte();
        if (byte.endOfFile()) {
            return;
        }
        const bool blockEnd = byte.signal == ByteSignal::EndOfBlock;
        switch (state) {
        case State::Code:
            if (blockEnd) {
                return;
            }
            codeBytes[codeFill++] = byte.value;
            if (codeFill == 2) {
                codeFill = 0;
                code = static_cast<std::uint16_t>(codeBytes[1] << 8 | codeBytes[0]);
                state = code >= kFirstBlockCode && code <= kLastBlockCode ? State::Length : State::Skip;
            }
            break;
        case State::Length:
            if (blockEnd) {
                return;
            }
            state = byte.value == kBlockGlyphBytes ? State::Data : State::Skip;
            dataFill = 0;
            break;
        case State::Data:
            data[dataFill++] = byte.value;
            if (dataFill == kBlockGlyphBytes) {
                GlyphRecord glyph;
                glyph.code = static_cast<std::uint16_t>(ibmUserCode(code - kFirstBlockCode));
                packBlockGlyph(data, glyph);
                writer.emitGlyph(glyph, code);
                if (blockEnd) {
                    return;
                }
                state = State::Code;
            } else if (blockEnd) {
                // Records do not cross blocks: this one is incomplete.
                state = State::Code;
            }
            break;
        case State::Skip:
            if (blockEnd) {
                state = State::Code;
            }
            break;
        }
    }
}

namespace {

// Reads a 24-dot bitmap and hands it on unchanged with its code; false at the end of the file.
bool copyGlyph24(ByteSource& source, FontWriter& writer, std::uint16_t code) {
    GlyphRecord glyph;
    glyph.code = code;
    glyph.length = kLength24;
    if (!readBytes(source, glyph.bitmap.data(), kLength24)) {
        return false;
    }
    writer.emitGlyph(glyph);
    return true;
}

} // namespace

void readPalivoxFont(ByteSource& source, FontWriter& writer) {
    if (!skipBytes(source, kPalivoxHeader)) {
        return;
    }
    while (true) {
        // Reading stops at the first record that is not a 24-dot user-defined glyph, which is
        // also where a table section begins.
        std::optional<std::uint16_t> code = readLe16(source);
        if (!code || !isUserCode(*code)) {
            return;
        }
        std::optional<std::uint16_t> length = readLe16(source);
        if (!length || *length != kLength24) {
            return;
        }
        if (!copyGlyph24(source, writer, *code)) {
            return;
        }
    }
}

void readHostFont(ByteSource& source, FontWriter& writer) {
    if (!skipBytes(source, kHostHeader)) {
        return;
    }
    while (true) {
        std::optional<std::uint16_t> code = readBe16(source);
        if (!code) {
            return;
        }
        if (!isUserCode(*code)) {
            if (!skipBytes(source, kLength24)) {
                return;
            }
            continue;
        }
        if (!copyGlyph24(source, writer, *code)) {
            return;
        }
    }
}

} // namespace zuvfntc
