#include "settings/ini_file.h"

namespace sorpex {
namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t';
}

std::string_view trimmed(std::string_view text) {
    while (!text.empty() && isBlank(text.front())) {
        text.remove_prefix(1);
    }
    while (!text.empty() && isBlank(text.back())) {
        text.remove_suffix(1);
    }
    return text;
}

char lowerAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

// The name of a "[Section]" line, or nothing for any other line.
std::optional<std::string_view> sectionName(std::string_view line) {
    line = trimmed(line);
    if (line.empty() || line.front() != '[') {
        return std::nullopt;
    }
    std::size_t close = line.find(']');
    if (close == std::string_view::npos) {
        return std::nullopt;
    }
    return trimmed(line.substr(1, close - 1));
}

bool isComment(std::string_view line) {
    line = trimmed(line);
    return !line.empty() && line.front() == ';';
}

} // namespace

bool equalsIgnoringCase(std::string_view a, std::string_view b) {
    if (a.size() != b.size()) {
        return false;
    }
    for (std::size_t i = 0; i < a.size(); ++i) {
        if (lowerAscii(a[i]) != lowerAscii(b[i])) {
            return false;
        }
    }
    return true;
}

IniFile IniFile::parse(std::string_view text) {
    IniFile file;
    while (!text.empty()) {
        std::size_t end = text.find('\n');
        std::string_view line = text.substr(0, end);
        if (!line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        file.m_lines.emplace_back(line);
        if (end == std::string_view::npos) {
            break;
        }
        text.remove_prefix(end + 1);
    }
    return file;
}

IniFile::Found IniFile::find(std::string_view section, std::string_view key) const {
    Found found;
    bool inside = false;
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        std::string_view line = m_lines[i];
        if (auto name = sectionName(line)) {
            if (inside) {
                break; // the first section of that name is the one that counts
            }
            if (equalsIgnoringCase(*name, section)) {
                inside = true;
                found.sectionLine = i;
                found.lastEntry = i;
            }
            continue;
        }
        if (!inside || trimmed(line).empty()) {
            continue;
        }
        found.lastEntry = i;
        if (found.keyLine != npos || isComment(line)) {
            continue;
        }
        std::size_t equals = line.find('=');
        if (equals != std::string_view::npos && equalsIgnoringCase(trimmed(line.substr(0, equals)), key)) {
            found.keyLine = i;
        }
    }
    return found;
}

std::optional<std::string> IniFile::value(std::string_view section, std::string_view key) const {
    Found found = find(section, key);
    if (found.keyLine == npos) {
        return std::nullopt;
    }
    std::string_view line = m_lines[found.keyLine];
    std::string_view value = trimmed(line.substr(line.find('=') + 1));
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front()) {
        value = value.substr(1, value.size() - 2);
    }
    return std::string(value);
}

void IniFile::setValue(std::string_view section, std::string_view key, std::string_view value) {
    std::string cleanValue;
    for (char c : value) {
        if (c != '\r' && c != '\n') {
            cleanValue += c;
        }
    }
    Found found = find(section, key);
    if (found.keyLine != npos) {
        std::string& line = m_lines[found.keyLine];
        std::string keyText(trimmed(std::string_view(line).substr(0, line.find('='))));
        line = keyText + "=" + cleanValue;
        return;
    }
    std::string entry = std::string(key) + "=" + cleanValue;
    if (found.sectionLine != npos) {
        m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(found.lastEntry + 1), entry);
        return;
    }
    if (!m_lines.empty() && !trimmed(m_lines.back()).empty()) {
        m_lines.emplace_back();
    }
    m_lines.push_back("[" + std::string(section) + "]");
    m_lines.push_back(entry);
}

std::string IniFile::serialize() const {
    std::string text;
    for (const std::string& line : m_lines) {
        text += line;
        text += "\r\n";
    }
    return text;
}

} // namespace sorpex
