#pragma once

#include <cstddef>
#include <string>
#include <string_view>

namespace sorpex {

// The longest reply text kept, in bytes, LF included.
inline constexpr std::size_t kReplyLimit = 1414;
// The longest whole reply kept (every line, for the extensions an EHLO reply lists).
inline constexpr std::size_t kWholeReplyLimit = 4096;

// Gathers one server reply from the pieces the socket gives. A multi-line reply ("250-..."
// lines, then "250 ...") may arrive in several pieces; it is complete with its last line, so
// that no continuation line is later taken for the answer to the next command. The reply text
// is the first line with every CR and zero byte removed and its LF kept.
class ReplyReader {
public:
    // Takes the next piece; true once the reply is complete. Bytes after the reply are ignored.
    bool feed(std::string_view piece);

    bool complete() const { return m_complete; }
    const std::string& text() const { return m_text; }
    // Every line of the reply, cleaned as the text is, up to kWholeReplyLimit bytes.
    const std::string& wholeText() const { return m_whole; }

    // The reply is complete and its text begins with `expected` ("250", "334 VXN", "+OK").
    bool answers(std::string_view expected) const;

private:
    std::string m_text;
    std::string m_whole;
    char m_lineStart[4] = {}; // the first four bytes of the current line
    std::size_t m_lineLength = 0;
    bool m_firstLineDone = false;
    bool m_complete = false;
};

} // namespace sorpex
