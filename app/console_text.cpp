#include "app/console_text.h"

#include "base/cp932.h"

#include <langinfo.h>
#include <strings.h>

namespace sorpex {
namespace {

bool terminalTakesCp932() {
    const char* codeset = nl_langinfo(CODESET);
    for (const char* name : {"SHIFT_JIS", "SHIFT-JIS", "SJIS", "CP932", "WINDOWS-31J", "MS_KANJI"}) {
        if (codeset != nullptr && strcasecmp(codeset, name) == 0) {
            return true;
        }
    }
    return false;
}

} // namespace

std::string consoleText(std::string_view text) {
    return terminalTakesCp932() ? std::string(text) : cp932::toUtf8(text);
}

} // namespace sorpex
