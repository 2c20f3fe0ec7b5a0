#pragma once

#include <iosfwd>

namespace zuvfntc {

class ByteSource;
class FontWriter;

// Recognises the input by its first bytes and runs the reader for it.
void detectFormat(ByteSource& source, FontWriter& writer);

// The whole conversion of one open input file into `writer`; false when a read of the input
// failed, so that what was converted is not the whole font.
bool convertFont(std::istream& input, FontWriter& writer);

} // namespace zuvfntc
