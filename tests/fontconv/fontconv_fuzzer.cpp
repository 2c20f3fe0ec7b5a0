// The whole conversion of an arbitrary input file: the first byte chooses the options, the
// rest is the file. The same bytes are also read as a code table file.
#include "fontconv/console.h"
#include "fontconv/font_detection.h"
#include "fontconv/font_writer.h"

#include <cstdlib>
#include <sstream>
#include <string>
#include <string_view>

namespace {

// Every record of the output must be whole and of one of the three sizes.
void checkFont(std::string_view font, int glyphs) {
    if (font.empty()) {
        if (glyphs != 0) {
            std::abort();
        }
        return;
    }
    if (!font.starts_with("PALIVOX FONT")) {
        std::abort();
    }
    std::size_t at = 16;
    int records = 0;
    while (at < font.size()) {
        if (font.size() - at < 4) {
            std::abort();
        }
        std::size_t length = static_cast<unsigned char>(font[at + 2]) | static_cast<unsigned char>(font[at + 3]) << 8;
        if ((length != 72 && length != 128 && length != 512) || font.size() - at - 4 < length) {
            std::abort();
        }
        at += 4 + length;
        ++records;
    }
    if (records != glyphs) {
        std::abort();
    }
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    zuvfntc::ConvertOptions options;
    options.dump = (data[0] & 0x01) != 0;
    options.continuous = (data[0] & 0x02) != 0;
    options.alternative = (data[0] & 0x04) != 0;
    options.dotSize = (data[0] & 0x18) == 0x08 ? 32 : (data[0] & 0x18) == 0x10 ? 64 : 24;
    std::string file(reinterpret_cast<const char*>(data + 1), size - 1);

    std::istringstream input(file);
    std::istringstream keys("");
    std::ostringstream font;
    std::ostringstream screen;
    zuvfntc::Console console(keys, screen);
    zuvfntc::FontWriter writer(font, options, console);
    zuvfntc::convertFont(input, writer);
    checkFont(font.str(), writer.glyphCount());

    std::istringstream table(file);
    std::ostringstream section;
    zuvfntc::appendTable(table, section);
    std::size_t entries = file.size() >= 2 ? (file.size() - 2) / 2 : 0;
    if (section.str().size() != 18 + 2 * (entries + entries / 190 * 66)) {
        std::abort();
    }
    return 0;
}
