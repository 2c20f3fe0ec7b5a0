#pragma once

#include <string>
#include <string_view>

// Texts of the core are CP932 (Shift-JIS, Windows code page 932) byte strings: records, CSV and
// INI text, messages. These helpers convert at the edges: source literals and the file system
// are UTF-8.
namespace sorpex::cp932 {

// True for a byte that starts a double-byte character.
constexpr bool isLeadByte(unsigned char byte) {
    return (byte >= 0x81 && byte <= 0x9F) || (byte >= 0xE0 && byte <= 0xFC);
}

// UTF-8 to CP932. A character that CP932 cannot hold becomes '?' and clears *ok.
std::string fromUtf8(std::string_view utf8, bool* ok = nullptr);

// CP932 to UTF-8. A byte sequence that is not CP932 becomes U+FFFD.
std::string toUtf8(std::string_view text);

// The longest prefix of at most maxBytes bytes that does not end in the middle of a
// double-byte character.
std::string_view truncate(std::string_view text, std::size_t maxBytes);

} // namespace sorpex::cp932

namespace sorpex {

// A path the user sees or SORPEX.ini stores (a document, a folder setting) is CP932 text like
// every other; this gives the file system's bytes (UTF-8) where it is opened. A path that is
// only ever opened (the settings file, the batch mode's arguments) keeps the file system's bytes
// throughout, so that CP932 need not hold it.
inline std::string nativePath(std::string_view path) {
    return cp932::toUtf8(path);
}

} // namespace sorpex
