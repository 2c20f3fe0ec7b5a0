#pragma once

namespace zuvfntc {

class ByteSource;
class FontWriter;

// Files beginning with "WIN" hold 24-dot glyphs only; files beginning with "Windows" may hold
// 64-dot glyphs, which are reduced to the output dot size.
enum class IndexedRules { Win, Windows };

void readIndexedFont(ByteSource& source, FontWriter& writer, IndexedRules rules);

} // namespace zuvfntc
