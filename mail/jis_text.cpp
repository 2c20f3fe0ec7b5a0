#include "mail/jis_text.h"

#include "base/cp932.h"
#include "mail/base64.h"

#include <algorithm>

namespace sorpex {
namespace {

enum class Mode { Ascii, Kana, Kanji };

constexpr bool isKana(unsigned char byte) {
    return byte >= 0xA1 && byte <= 0xDF;
}

constexpr bool isTrailByte(unsigned char byte) {
    return (byte >= 0x40 && byte <= 0x7E) || (byte >= 0x80 && byte <= 0xFC);
}

// The JIS X 0208 code of a Shift_JIS pair, 0 when it has none.
unsigned pairToJis(unsigned char lead, unsigned char trail) {
    if (!isTrailByte(trail)) {
        return 0;
    }
    const unsigned row = lead < 0xA0 ? lead - 0x81u : lead - 0xC1u;
    unsigned code;
    if (trail < 0x9F) {
        code = row * 512 + 0x2100 + (trail - 0x1Fu) - (trail > 0x7E ? 1u : 0u);
    } else {
        code = row * 512 + 0x2200 + (trail - 0x7Eu);
    }
    const unsigned low = code & 0xFF;
    if (code < 0x2121 || code > 0x7E7E || low < 0x21 || low > 0x7E) {
        return 0;
    }
    return code;
}

// One character of the text at `pos`: its bytes in `mode` (with the escape sequence that switches
// to it) go to `out`. Gives the bytes consumed, 0 where the text ends.
std::size_t convertCharacter(std::string_view text, std::size_t pos, Mode& mode, std::string& out) {
    const auto byte = static_cast<unsigned char>(text[pos]);
    if (byte == 0) {
        return 0;
    }
    if (cp932::isLeadByte(byte)) {
        // A lead byte as the last byte has nothing to pair with; the text ends before it.
        const unsigned code = pos + 1 < text.size() ? pairToJis(byte, static_cast<unsigned char>(text[pos + 1])) : 0;
        if (code == 0) {
            return 0;
        }
        if (mode != Mode::Kanji) {
            out += kEscKanji;
            mode = Mode::Kanji;
        }
        out += static_cast<char>(code >> 8);
        out += static_cast<char>(code & 0xFF);
        return 2;
    }
    if (isKana(byte)) {
        if (mode != Mode::Kana) {
            out += kEscKana;
            mode = Mode::Kana;
        }
        out += static_cast<char>(byte - 0x80);
        return 1;
    }
    if (mode != Mode::Ascii) {
        out += kEscAscii;
        mode = Mode::Ascii;
    }
    out += static_cast<char>(byte);
    return 1;
}

// Row 84 is the last row of JIS X 0208 that holds characters.
constexpr unsigned kLastJisRow = 0x20 + 84;

void returnToAscii(Mode mode, std::string& out) {
    if (mode != Mode::Ascii) {
        out += kEscAscii;
    }
}

// Encoded words of at most 66 characters, so that "Subject: " and one of them fit a line of 76
// (RFC 2047 allows 75): 36 bytes of ISO-2022-JP or 39 of UTF-8 before base64.
constexpr std::size_t kJisWordBytes = 36;
constexpr std::size_t kUtf8WordBytes = 39;

// The end of the run of non-ASCII characters at `start`. A reader drops the white space between
// two encoded words, so runs that only white space parts are one run, their spaces encoded too.
// So are runs that ASCII without white space parts: an encoded word must not touch other text,
// and a chain of them could not be folded.
template <typename NextCharacter> std::size_t wideRunEnd(std::string_view text, std::size_t start, NextCharacter next) {
    auto wide = [&](std::size_t i) { return static_cast<unsigned char>(text[i]) >= 0x80; };
    std::size_t end = start;
    for (;;) {
        while (end < text.size() && wide(end)) {
            end = std::min(next(end), text.size());
        }
        std::size_t after = end;
        bool blank = false;
        bool other = false;
        for (; after < text.size() && !wide(after); ++after) {
            (text[after] == ' ' || text[after] == '\t' ? blank : other) = true;
        }
        if (after == end || after == text.size() || (blank && other)) {
            return end;
        }
        end = after;
    }
}

// Words after the first are set apart by a space, which a reader drops between encoded words.
void appendEncodedWord(std::string& out, std::string_view prefix, std::string_view bytes, bool first) {
    if (!first) {
        out += ' ';
    }
    out += prefix;
    out += base64Encode(bytes);
    out += "?=";
}

} // namespace

std::string sjisToJis(std::string_view text) {
    std::string out;
    Mode mode = Mode::Ascii;
    for (std::size_t pos = 0; pos < text.size();) {
        const std::size_t used = convertCharacter(text, pos, mode, out);
        if (used == 0) {
            break;
        }
        pos += used;
    }
    returnToAscii(mode, out);
    return out;
}

std::vector<std::string> sjisToJisLines(std::string_view text, std::size_t maxBytes) {
    // Room for the longest character: an escape, a pair and the escape back.
    maxBytes = std::max<std::size_t>(maxBytes, 8);
    std::vector<std::string> lines;
    std::string line;
    Mode mode = Mode::Ascii;
    for (std::size_t pos = 0; pos < text.size();) {
        std::string piece;
        Mode next = mode;
        const std::size_t used = convertCharacter(text, pos, next, piece);
        if (used == 0) {
            break;
        }
        const std::size_t closing = next == Mode::Ascii ? 0 : kEscAscii.size();
        if (!line.empty() && line.size() + piece.size() + closing > maxBytes) {
            returnToAscii(mode, line);
            lines.push_back(std::move(line));
            line.clear();
            piece.clear();
            next = Mode::Ascii;
            convertCharacter(text, pos, next, piece);
        }
        line += piece;
        mode = next;
        pos += used;
    }
    returnToAscii(mode, line);
    lines.push_back(std::move(line));
    return lines;
}

bool jisCarries(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (cp932::isLeadByte(byte)) {
            const unsigned code =
                pos + 1 < text.size() ? pairToJis(byte, static_cast<unsigned char>(text[pos + 1])) : 0;
            if (code == 0 || (code >> 8) > kLastJisRow) {
                return false;
            }
            ++pos;
        } else if (byte == 0 || (byte >= 0x80 && !isKana(byte))) {
            return false;
        }
    }
    return true;
}

std::string encodeUtf8HeaderText(std::string_view utf8) {
    auto ascii = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]) < 0x80; };
    std::string out;
    std::size_t pos = 0;
    while (pos < utf8.size()) {
        std::size_t start = pos;
        while (start < utf8.size() && ascii(start)) {
            ++start;
        }
        if (start == utf8.size()) {
            break;
        }
        const std::size_t end = wideRunEnd(utf8, start, [&](std::size_t i) {
            std::size_t next = i + 1;
            while (next < utf8.size() && (static_cast<unsigned char>(utf8[next]) & 0xC0) == 0x80) {
                ++next;
            }
            return next;
        });
        out += utf8.substr(pos, start - pos);
        // Cut between characters, never inside one.
        std::string_view run = utf8.substr(start, end - start);
        for (bool first = true; !run.empty(); first = false) {
            std::size_t cut = std::min(run.size(), kUtf8WordBytes);
            while (cut < run.size() && (static_cast<unsigned char>(run[cut]) & 0xC0) == 0x80) {
                --cut;
            }
            appendEncodedWord(out, "=?UTF-8?B?", run.substr(0, cut), first);
            run.remove_prefix(cut);
        }
        pos = end;
    }
    out += utf8.substr(pos);
    return out;
}

namespace {

// Half-width katakana (ESC ( I) is no part of ISO-2022-JP as mail readers know it: in a body they
// mostly cope, in an encoded word they show the base64.
bool holdsKana(std::string_view text) {
    for (std::size_t pos = 0; pos < text.size(); ++pos) {
        const auto byte = static_cast<unsigned char>(text[pos]);
        if (cp932::isLeadByte(byte)) {
            ++pos;
        } else if (isKana(byte)) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string encodeHeaderText(std::string_view text) {
    if (!jisCarries(text) || holdsKana(text)) {
        return encodeUtf8HeaderText(cp932::toUtf8(text));
    }
    auto ascii = [&](std::size_t i) { return static_cast<unsigned char>(text[i]) < 0x80; };
    std::string out;
    std::size_t pos = 0;
    while (pos < text.size()) {
        std::size_t start = pos;
        while (start < text.size() && ascii(start)) {
            ++start;
        }
        if (start == text.size()) {
            break;
        }
        const std::size_t end = wideRunEnd(text, start, [&](std::size_t i) {
            return i + (cp932::isLeadByte(static_cast<unsigned char>(text[i])) ? 2 : 1);
        });
        out += text.substr(pos, start - pos);
        const std::vector<std::string> pieces = sjisToJisLines(text.substr(start, end - start), kJisWordBytes);
        for (std::size_t i = 0; i < pieces.size(); ++i) {
            appendEncodedWord(out, "=?ISO-2022-JP?B?", pieces[i], i == 0);
        }
        pos = end;
    }
    out += text.substr(pos);
    return out;
}

} // namespace sorpex
