#pragma once

#include "base/clock.h"

#include <cstddef>
#include <ctime>
#include <string>
#include <string_view>
#include <vector>

// The header fields of the report mail as readers and servers expect them: folded lines, the
// recipients as a list, Date and Message-ID.
namespace sorpex {

// A header line is folded before the white space that would take it past this column; a single
// word longer than that stays whole (the limit of 998 is far off for texts of 256 bytes).
inline constexpr std::size_t kHeaderFoldColumn = 76;

// "Name: value" as lines without CR LF, folded before white space (which the next line keeps,
// so that unfolding gives back the value).
std::vector<std::string> foldHeaderField(std::string_view name, std::string_view value);

// The To value of the recipient text (CP932, control characters already removed): each address
// in angle brackets with the name before it, or each piece between ";", or the whole text,
// separated by ", " as one list.
std::string recipientListValue(std::string_view recipients);

// Date and Message-ID of one message.
struct MailStamp {
    std::string date;      // "Tue, 08 Dec 2026 17:41:18 +0900"
    std::string messageId; // "<20261208174118.0123456789abcdef@host>"
};

// The stamp of `time` as `clock` shows it locally, with `unique` (letters and digits) before the
// "@" of the Message-ID.
MailStamp makeMailStamp(const Clock& clock, std::time_t time, std::string_view unique, std::string_view host);

// The same for now, with 64 random bits as the unique part and the machine's host name.
MailStamp makeMailStamp(const Clock& clock);

// The machine's host name as gethostname gives it (no DNS query), when it can stand in a
// Message-ID; "localhost" otherwise.
std::string machineHostName();

} // namespace sorpex
