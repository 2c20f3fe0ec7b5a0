#include "fontconv/font_detection.h"

#include "fontconv/byte_source.h"
#include "fontconv/font_writer.h"
#include "fontconv/indexed_font.h"
#include "fontconv/record_stream_fonts.h"

#include <string_view>

namespace zuvfntc {
namespace {

// EBCDIC "KJ  PG ".
constexpr std::string_view kHostSignature{"\xD2\xD1\x40\x40\xD7\xC7\x40", 7};

} // namespace

void detectFormat(ByteSource& source, FontWriter& writer) {
    source.loadFirstBlock();
    std::string_view start = source.buffered();
    if (start.empty()) {
        return;
    }
    if (start.starts_with("WIN")) {
        readIndexedFont(source, writer, IndexedRules::Win);
    } else if (start.starts_with("PALIVOX")) {
        readPalivoxFont(source, writer);
    } else if (start.starts_with("Windows")) {
        readIndexedFont(source, writer, IndexedRules::Windows);
    } else if (start.starts_with(kHostSignature)) {
        readHostFont(source, writer);
    } else {
        readBlockStream(source, writer);
    }
}

bool convertFont(std::istream& input, FontWriter& writer) {
    ByteSource source(input);
    detectFormat(source, writer);
    return !source.readFailed();
}

} // namespace zuvfntc
