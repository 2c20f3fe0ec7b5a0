#pragma once

namespace zuvfntc {

class ByteSource;
class FontWriter;

// Readers of the inputs that are plain sequences of 24-dot glyph records; each reads from
// offset 0 up to its end condition.
void readBlockStream(ByteSource& source, FontWriter& writer);
void readPalivoxFont(ByteSource& source, FontWriter& writer);
void readHostFont(ByteSource& source, FontWriter& writer);

} // namespace zuvfntc
