#include "fontconv/console.h"

#include <algorithm>
#include <array>
#include <cctype>
#include <istream>
#include <ostream>

#include <iconv.h>
#include <langinfo.h>
#include <termios.h>
#include <unistd.h>

namespace zuvfntc {
namespace {

// UTF-8 to CP932; a text that does not convert goes out as it is rather than not at all.
std::string toCp932(std::string_view utf8) {
    iconv_t cd = iconv_open("CP932", "UTF-8");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        return std::string(utf8);
    }
    std::string result(utf8.size() * 2 + 4, '\0');
    std::string source(utf8);
    char* in = source.data();
    size_t inLeft = source.size();
    char* out = result.data();
    size_t outLeft = result.size();
    bool failed = iconv(cd, &in, &inLeft, &out, &outLeft) == static_cast<size_t>(-1);
    iconv_close(cd);
    if (failed) {
        return std::string(utf8);
    }
    result.resize(result.size() - outLeft);
    return result;
}

bool isSpace(int c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\v' || c == '\f';
}

// Keeps the terminal's mode for the length of one key press.
class RawKeyMode {
public:
    explicit RawKeyMode(int fd) : m_fd(fd) {
        if (tcgetattr(fd, &m_saved) != 0) {
            return;
        }
        termios raw = m_saved;
        raw.c_lflag &= ~static_cast<tcflag_t>(ICANON | ECHO);
        raw.c_cc[VMIN] = 1;
        raw.c_cc[VTIME] = 0;
        m_active = tcsetattr(fd, TCSANOW, &raw) == 0;
    }
    ~RawKeyMode() {
        if (m_active) {
            tcsetattr(m_fd, TCSANOW, &m_saved);
        }
    }
    RawKeyMode(const RawKeyMode&) = delete;
    RawKeyMode& operator=(const RawKeyMode&) = delete;

private:
    int m_fd;
    termios m_saved{};
    bool m_active = false;
};

} // namespace

Charset terminalCharset() {
    std::string codeset = nl_langinfo(CODESET);
    std::transform(codeset.begin(), codeset.end(), codeset.begin(),
                   [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
    for (std::string_view name : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J"}) {
        if (codeset == name) {
            return Charset::Cp932;
        }
    }
    return Charset::Utf8;
}

Console::Console(std::istream& in, std::ostream& out, Charset charset, int keyFd)
    : m_in(in), m_out(out), m_charset(charset), m_keyFd(keyFd) {}

void Console::say(std::string_view text, std::string_view arg) {
    auto putText = [this](std::string_view part) {
        if (m_charset == Charset::Cp932) {
            m_out << toCp932(part);
        } else {
            m_out << part;
        }
    };
    size_t mark = text.find('%');
    if (mark != std::string_view::npos && mark + 1 < text.size() && (text[mark + 1] == 's' || text[mark + 1] == 'd')) {
        putText(text.substr(0, mark));
        m_out << arg;
        putText(text.substr(mark + 2));
    } else {
        putText(text);
    }
    m_out.flush();
}

void Console::raw(std::string_view bytes) {
    m_out << bytes;
}

int Console::readChar() {
    m_out.flush();
    int c = m_in.get();
    return c == std::char_traits<char>::eof() ? -1 : c;
}

Word Console::readWord(size_t limit) {
    m_out.flush();
    Word word;
    int c = m_in.get();
    while (c != std::char_traits<char>::eof() && isSpace(c)) {
        c = m_in.get();
    }
    while (c != std::char_traits<char>::eof() && !isSpace(c)) {
        if (word.text.size() == limit) {
            word.tooLong = true;
            m_in.unget();
            return word;
        }
        word.text.push_back(static_cast<char>(c));
        c = m_in.get();
    }
    if (c != std::char_traits<char>::eof()) {
        m_in.unget();
    }
    return word;
}

void Console::waitKey() {
    m_out.flush();
    if (m_keyFd >= 0 && isatty(m_keyFd)) {
        RawKeyMode mode(m_keyFd);
        char key = 0;
        [[maybe_unused]] ssize_t n = read(m_keyFd, &key, 1);
        return;
    }
    m_in.get();
}

} // namespace zuvfntc
