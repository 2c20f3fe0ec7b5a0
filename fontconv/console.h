#pragma once

#include <cstddef>
#include <iosfwd>
#include <string>
#include <string_view>

namespace zuvfntc {

// The character set the console texts are written in.
enum class Charset { Utf8, Cp932 };

// The terminal's character set by the locale's codeset; call after setlocale(LC_ALL, "").
Charset terminalCharset();

// One word typed at a prompt. A word longer than the reader's limit is not kept.
struct Word {
    std::string text;
    bool tooLong = false;
};

// The console of one run: the program's texts (UTF-8 in the source) go out in the terminal's
// character set, file names and typed words pass through as they are.
class Console {
public:
    // `keyFd`: a terminal to read single key presses from without echo, or -1 to take them
    // from `in` like any other byte.
    Console(std::istream& in, std::ostream& out, Charset charset = Charset::Utf8, int keyFd = -1);

    // Writes a text of the program; a "%s" or "%d" in it is replaced by `arg` unconverted.
    void say(std::string_view text, std::string_view arg = {});
    void raw(std::string_view bytes);

    // One character of the typed line, or -1 at the end of input.
    int readChar();
    // The next whitespace-delimited word; empty at the end of input. At most `limit` bytes
    // are kept; the rest of a longer word is left unread.
    Word readWord(std::size_t limit);
    // Waits for one key press; nothing is echoed.
    void waitKey();

private:
    std::istream& m_in;
    std::ostream& m_out;
    Charset m_charset;
    int m_keyFd;
};

} // namespace zuvfntc
