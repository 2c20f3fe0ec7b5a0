#include "mail/mail_header.h"

#include "mail/jis_text.h"

#include <array>
#include <cstdio>
#include <random>
#include <unistd.h>

namespace sorpex {
namespace {

constexpr std::array<const char*, 7> kDays = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};
constexpr std::array<const char*, 12> kMonths = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                                 "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text, std::string_view also = "") {
    auto drop = [&](char c) { return isBlank(c) || also.find(c) != std::string_view::npos; };
    while (!text.empty() && drop(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && drop(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

// A name of ASCII with a comma, a dot or another special goes in quotes, else a reader would
// take it for several addresses or none.
std::string displayName(std::string_view name) {
    bool ascii = true;
    bool special = false;
    for (char c : name) {
        ascii = ascii && static_cast<unsigned char>(c) < 0x80;
        special = special || std::string_view("()<>[]:;@\\,.\"").find(c) != std::string_view::npos;
    }
    if (!ascii || !special) {
        return encodeHeaderText(name);
    }
    std::string quoted = "\"";
    for (char c : name) {
        if (c == '"' || c == '\\') {
            quoted += '\\';
        }
        quoted += c;
    }
    return quoted + '"';
}

std::vector<std::string> mailboxes(std::string_view text) {
    std::vector<std::string> list;
    if (text.find('<') != std::string_view::npos) {
        // As the envelope takes them: every address in angle brackets, the text before it its name.
        std::size_t from = 0;
        for (std::size_t open = text.find('<'); open != std::string_view::npos; open = text.find('<', from)) {
            const std::size_t close = text.find('>', open + 1);
            const std::string_view name = trimmed(text.substr(from, open - from), ",;\r\n");
            const std::string_view address =
                text.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
            list.push_back((name.empty() ? "" : displayName(name) + " ") + "<" + std::string(address) + ">");
            if (close == std::string_view::npos) {
                break;
            }
            from = close + 1;
        }
        return list;
    }
    while (!text.empty()) {
        const std::size_t end = text.find(';');
        const std::string_view piece = trimmed(text.substr(0, end), "\r\n");
        if (!piece.empty()) {
            list.push_back(encodeHeaderText(piece));
        }
        text = end == std::string_view::npos ? std::string_view() : text.substr(end + 1);
    }
    return list;
}

bool fitsMessageId(std::string_view host) {
    if (host.empty() || host.size() > 253 || host.front() == '.' || host.back() == '.' ||
        host.find("..") != std::string_view::npos) {
        return false;
    }
    for (char c : host) {
        const bool letterOrDigit = (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9');
        if (!letterOrDigit && c != '-' && c != '.') {
            return false;
        }
    }
    return true;
}

} // namespace

std::vector<std::string> foldHeaderField(std::string_view name, std::string_view value) {
    std::vector<std::string> lines;
    std::string line(name);
    line += ':';
    // Each piece is the white space before a word and the word.
    std::size_t pos = 0;
    bool first = true;
    while (pos < value.size() || first) {
        std::size_t word = pos;
        while (word < value.size() && isBlank(value[word])) {
            ++word;
        }
        std::size_t end = word;
        while (end < value.size() && !isBlank(value[end])) {
            ++end;
        }
        std::string_view piece = value.substr(pos, end - pos);
        if (first) {
            line += ' ';
            first = false;
        } else if (line.size() + piece.size() > kHeaderFoldColumn && word > pos && line.size() > name.size() + 2) {
            lines.push_back(std::move(line));
            line.clear();
        }
        line += piece;
        pos = end;
    }
    lines.push_back(std::move(line));
    return lines;
}

std::string recipientListValue(std::string_view recipients) {
    std::string value;
    for (const std::string& mailbox : mailboxes(recipients)) {
        value += value.empty() ? "" : ", ";
        value += mailbox;
    }
    return value;
}

MailStamp makeMailStamp(const Clock& clock, std::time_t time, std::string_view unique, std::string_view host) {
    const LocalTime local = clock.toLocal(time);
    std::tm parts{};
    parts.tm_year = local.year - 1900;
    parts.tm_mon = local.month - 1;
    parts.tm_mday = local.day;
    parts.tm_hour = local.hour;
    parts.tm_min = local.minute;
    parts.tm_sec = local.second;
    // The local offset is what the local time is ahead of UTC, whatever zone the clock keeps.
    const long offset = static_cast<long>(timegm(&parts) - time) / 60;
    const long magnitude = offset < 0 ? -offset : offset;
    char date[64];
    std::snprintf(date, sizeof date, "%s, %02d %s %04d %02d:%02d:%02d %c%02ld%02ld", kDays[local.weekday % 7],
                  local.day, kMonths[(local.month + 11) % 12], local.year, local.hour, local.minute, local.second,
                  offset < 0 ? '-' : '+', magnitude / 60 % 100, magnitude % 60);
    char stamp[16];
    std::snprintf(stamp, sizeof stamp, "%04d%02d%02d%02d%02d%02d", local.year % 10000, local.month, local.day,
                  local.hour, local.minute, local.second);
    return {date, "<" + std::string(stamp) + "." + std::string(unique) + "@" + std::string(host) + ">"};
}

MailStamp makeMailStamp(const Clock& clock) {
    std::random_device random;
    char unique[17];
    std::snprintf(unique, sizeof unique, "%08x%08x", static_cast<unsigned>(random()), static_cast<unsigned>(random()));
    return makeMailStamp(clock, clock.now(), unique, machineHostName());
}

std::string machineHostName() {
    char name[256] = {};
    if (gethostname(name, sizeof name - 1) != 0 || !fitsMessageId(name)) {
        return "localhost";
    }
    return name;
}

} // namespace sorpex
