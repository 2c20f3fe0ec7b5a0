#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace sorpex {

// An INI text as the Windows private-profile functions see it: "[Section]" lines open sections,
// "key=value" lines hold settings, section and key names match without regard to case, and the
// first match wins. Setting a value keeps every other line as it was.
class IniFile {
public:
    // CR LF and a lone LF both end a line.
    static IniFile parse(std::string_view text);

    // The value with blanks around it removed and one pair of enclosing quotes taken off;
    // nothing when the section or key is missing.
    std::optional<std::string> value(std::string_view section, std::string_view key) const;

    // Replaces the key's value in place, or adds the key at the end of its section, or adds the
    // section at the end of the text. Line breaks in the value are dropped.
    void setValue(std::string_view section, std::string_view key, std::string_view value);

    // The text with CR LF line ends.
    std::string serialize() const;

private:
    struct Found {
        std::size_t sectionLine = npos; // the "[Section]" line
        std::size_t lastEntry = npos;   // last non-blank line of the section
        std::size_t keyLine = npos;
    };
    static constexpr std::size_t npos = static_cast<std::size_t>(-1);
    Found find(std::string_view section, std::string_view key) const;

    std::vector<std::string> m_lines;
};

// Case-insensitive comparison of ASCII letters, as the Windows version compares setting texts.
bool equalsIgnoringCase(std::string_view a, std::string_view b);

} // namespace sorpex
