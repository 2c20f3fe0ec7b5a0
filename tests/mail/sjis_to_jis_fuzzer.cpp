// Mail texts come from the settings file and file names: any bytes. The converters must stay in
// their input, end every text in ASCII and keep broken lines within their limit.
#include "mail/jis_text.h"
#include "mail/report_mail.h"

#include <cstdint>
#include <cstdlib>
#include <string_view>

using namespace sorpex;

namespace {

bool endsInAscii(std::string_view jis) {
    const std::size_t lastEscape = jis.rfind('\x1B');
    return lastEscape == std::string_view::npos || jis.substr(lastEscape, 3) == kEscAscii;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    const std::size_t limit = 8 + data[0] % 120;
    const std::string_view text(reinterpret_cast<const char*>(data) + 1, size - 1);

    const std::string jis = sjisToJis(text);
    // Texts of the settings' 256 bytes give header lines a server takes (998 at most).
    const std::string_view field = text.substr(0, 256);
    for (const std::string& line : messageHeaderLines(field, field, field, MailStamp{"d", "<m@h>"})) {
        if (line.size() > 998) {
            std::abort();
        }
    }
    // An ESC byte in the input passes through as ASCII and may leave any escape at the end.
    const bool checkEscapes = text.find('\x1B') == std::string_view::npos;
    if (checkEscapes && !endsInAscii(jis)) {
        std::abort();
    }
    std::size_t total = 0;
    for (const std::string& line : sjisToJisLines(text, limit)) {
        if (line.size() > limit || (checkEscapes && !endsInAscii(line))) {
            std::abort();
        }
        total += line.size();
    }
    // Breaking a line only ever adds escape sequences.
    if (total < jis.size()) {
        std::abort();
    }
    return 0;
}
