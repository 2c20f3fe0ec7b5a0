#pragma once

#include "inventory/csv_file.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sorpex {

// One field of a line as the reader collects it. A quoted field left open runs on over commas
// and lines, so a field may be as long as the file; only its doubled-quote-collapsed form is
// kept, and of that only what any record field could take, so memory stays bounded whatever
// the file holds.
class CsvField {
public:
    void append(char c);
    void clear() { *this = CsvField(); }

    std::size_t size() const { return m_size; }
    bool beginsWithQuote() const { return m_size > 0 && m_first == '"'; }
    bool endsWithQuote() const { return m_size > 0 && m_last == '"'; }

    // The field's text with every run of quotes collapsed to one quote; `unquote` first takes off
    // the first and the last byte (the enclosing quotes). Nothing when the text would be longer
    // than kKeep - 2 bytes: too long for any field of the record.
    bool text(bool unquote, std::string& out) const;

    static constexpr std::size_t kKeep = 2048;

private:
    std::string m_collapsed; // up to kKeep bytes of it
    std::size_t m_collapsedSize = 0;
    std::size_t m_size = 0;
    char m_first = 0;
    char m_last = 0;
    int m_leadingQuotes = 0;  // counted up to 2
    int m_trailingQuotes = 0; // likewise
    bool m_onlyQuotes = true;
};

// Reads bytes from a source with a few bytes of look-ahead.
class CsvBytes {
public:
    explicit CsvBytes(const CsvSource& source) : m_source(source) {}

    // -1 at the end (or after a read error).
    int peek(std::size_t offset);
    int get();
    bool failed() const { return m_failed; }

private:
    bool fill(std::size_t wanted);

    const CsvSource& m_source;
    std::vector<char> m_buffer;
    std::size_t m_pos = 0;
    bool m_ended = false;
    bool m_failed = false;
};

// The loader, line by line as the file format prescribes.
class CsvReader {
public:
    CsvReader(PrinterTable& table, const CsvSource& source) : m_table(table), m_bytes(source) {}
    CsvLoad load();

private:
    enum class Segment { Comma, LineEnd };
    bool atLineStartOfHeader();
    // Skips the header line, taking the position of the version column from it.
    void readHeader();
    Segment readSegment();
    // Stores the finished field `m_field` as field number m_fieldIndex of row m_row.
    bool storeField(bool unquote);

    PrinterTable& m_table;
    CsvBytes m_bytes;
    CsvField m_field;
    int m_row = 0;
    int m_fieldIndex = 0;
    int m_versionField = -1; // none until a header names it
};

} // namespace sorpex
