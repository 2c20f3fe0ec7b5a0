#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>

namespace sorpex {

// One printer line of a saved report, as far as the usage needs it. Texts are CP932, unquoted
// and with doubled quotes collapsed, as the list loader reads them.
struct ReportLine {
    int row = 0; // 0 for the first line after the header
    std::string comment;
    std::string ipAddress; // normalised
    std::string model;
    std::string count; // as written: digits, empty, or a status text
    std::string serialNumber;
    std::string lowestSupply; // the lowest percent of the supplies that run out, as written
    std::string supplies;
};

enum class ReportKind {
    NotReport,    // the first line is no report header
    Classic,      // the nine columns
    WithSupplies, // and the three supplies columns
};

struct ReportScan {
    ReportKind kind = ReportKind::NotReport;
    int lines = 0;   // printer lines handed on
    int damaged = 0; // lines left out: too few columns, an address refused, a line cut at the end
};

// What the first line of the bytes makes of them.
ReportKind reportKind(std::string_view bytes);

// Splits the bytes of a report into its printer lines, by the rules of the list loader: a
// field that begins with a quote runs on over commas and line ends until a piece ends with a
// quote. `line` is called for each complete line with a usable address; the object it gets is
// reused for the next line.
ReportScan scanReport(std::string_view bytes, const std::function<void(const ReportLine&)>& line);

// The counter of a line when it holds one: decimal digits only ("No Response", "Not Support" and
// an empty column are no reading; anything else is damage).
enum class CounterKind { Reading, NoReading, NotNumber };
CounterKind parseCounter(std::string_view text, std::uint64_t& value);

} // namespace sorpex
