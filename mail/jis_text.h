#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

// Mail text is ISO-2022-JP: Shift_JIS (CP932) text is rewritten as JIS X 0208 and JIS X 0201
// katakana between escape sequences, so that every byte stays 7-bit.
namespace sorpex {

inline constexpr std::string_view kEscAscii = "\x1B(B";
inline constexpr std::string_view kEscKanji = "\x1B$B";
inline constexpr std::string_view kEscKana = "\x1B(I";

// Shift_JIS to ISO-2022-JP. The result starts in ASCII and returns to ASCII at its end. The text
// ends at a zero byte, at a pair that has no JIS X 0208 code, and at a lead byte with no trail
// byte after it; what came before is kept.
std::string sjisToJis(std::string_view text);

// The same conversion cut into pieces of at most maxBytes bytes (at least 8), broken between
// characters; each piece starts and ends in ASCII. An empty text gives one empty piece.
std::vector<std::string> sjisToJisLines(std::string_view text, std::size_t maxBytes);

// True when sjisToJis carries the whole text: every double-byte character has a code in rows 1
// to 84 of JIS X 0208 (the NEC and IBM extension kanji of CP932 have none), and there is no
// zero byte and no byte that is neither ASCII, katakana nor part of a pair.
bool jisCarries(std::string_view text);

// A header value: ASCII runs unchanged, each run of Japanese as "=?ISO-2022-JP?B?...?=" words of
// at most 66 characters, white space between Japanese words inside them (a reader drops it
// between two encoded words). A text that ISO-2022-JP cannot carry, or that holds half-width
// katakana, goes as UTF-8 instead, each run of other than ASCII as "=?UTF-8?B?...?=" words.
std::string encodeHeaderText(std::string_view text);

// The same for a UTF-8 text: each run of other than ASCII as "=?UTF-8?B?...?=" words.
std::string encodeUtf8HeaderText(std::string_view utf8);

} // namespace sorpex
