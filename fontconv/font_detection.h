#pragma once

#include <iosfwd>

namespace zuvfntc {

class ByteSource;
class FontWriter;

// Recognises the input by its first bytes and runs the reader for it.
void detectFormat(ByteSource& source, FontWriter& writer);

// The whole conversion of one open input file into `writer`.
void convertFont(std::istream& input, FontWriter& writer);

} // namespace zuvfntc
