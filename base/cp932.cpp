#include "base/cp932.h"

#include "base/iconv_descriptor.h"

#include <cerrno>
#include <stdexcept>

namespace sorpex::cp932 {
namespace {

// One iconv conversion; `replacement` stands for every input sequence the target cannot take.
std::string convert(const char* to, const char* from, std::string_view input, std::string_view replacement, bool* ok) {
    IconvDescriptor cd(to, from);
    if (!cd.valid()) {
        throw std::runtime_error("iconv cannot convert between CP932 and UTF-8");
    }
    if (ok) {
        *ok = true;
    }
    std::string out;
    out.reserve(input.size() * 3 / 2 + 4);
    char* in = const_cast<char*>(input.data());
    size_t inLeft = input.size();
    char buffer[1024];
    while (inLeft > 0) {
        char* outPtr = buffer;
        size_t outLeft = sizeof buffer;
        size_t rc = iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft);
        out.append(buffer, static_cast<size_t>(outPtr - buffer));
        if (rc != static_cast<size_t>(-1)) {
            continue;
        }
        if (errno == E2BIG) {
            continue;
        }
        // EILSEQ or EINVAL: skip one input character (a whole UTF-8 sequence, or one byte of CP932).
        size_t skip = 1;
        if (std::string_view(from) == "UTF-8") {
            unsigned char lead = static_cast<unsigned char>(*in);
            skip = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : lead >= 0xC0 ? 2 : 1;
        }
        if (skip > inLeft) {
            skip = inLeft;
        }
        in += skip;
        inLeft -= skip;
        out.append(replacement);
        if (ok) {
            *ok = false;
        }
    }
    return out;
}

} // namespace

std::string fromUtf8(std::string_view utf8, bool* ok) {
    return convert("CP932", "UTF-8", utf8, "?", ok);
}

std::string toUtf8(std::string_view text) {
    return convert("UTF-8", "CP932", text, "\xEF\xBF\xBD", nullptr);
}

std::string_view truncate(std::string_view text, std::size_t maxBytes) {
    if (text.size() <= maxBytes) {
        return text;
    }
    std::size_t end = 0;
    while (end < maxBytes) {
        std::size_t width = isLeadByte(static_cast<unsigned char>(text[end])) ? 2 : 1;
        if (end + width > maxBytes) {
            break;
        }
        end += width;
    }
    return text.substr(0, end);
}

} // namespace sorpex::cp932
