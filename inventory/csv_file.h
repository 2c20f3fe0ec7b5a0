#pragma once

#include "inventory/printer_table.h"

#include <functional>
#include <string>
#include <string_view>
#include <sys/types.h>

namespace sorpex {

class UserInteraction;

// The printer list file: CP932 bytes, CR LF after every line, this header first, then one line
// per row. Only comment, address and community are read back.
inline constexpr std::string_view kCsvHeader =
    "Comment,IP Address,Community Name,Printer Model,Count,System Name,System Location,System Contact,System Descr";

// The three columns the Supplies setting adds after the ninth; a reader of nine columns, the
// Windows version's included, ignores them.
inline constexpr std::string_view kCsvSuppliesHeader = ",Serial Number,Lowest Supply %,Supplies";

// The column of the printers' own SNMP versions ("1", "2c", "3", empty for the settings'
// default), last of all. It is written only when a printer names a version, so a list whose
// printers all use the default stays as the Windows version writes it; that version reads its
// nine columns and ignores the rest.
inline constexpr std::string_view kCsvVersionHeader = ",SNMP Version";

enum class CsvLayout {
    Classic,      // the nine columns
    WithSupplies, // and serial number, lowest supply percent and supplies
};

// Between quotes, every quote inside doubled, as RFC 4180 has it: the loader collapses doubled
// quotes and so reads the text back, and so does a spreadsheet. The loader splits at every line
// end and comma and takes a piece that ends in a quote for the end of the field, so two things
// are left out, the only changes the writer makes to a text (neither makes it longer, so it
// still fits its field): line breaks, which the loader loses anyway, and quotes right before a
// comma.
void appendCsvQuoted(std::string& line, std::string_view text);

// One row's line, without its line end. Texts go between quotes with every quote inside doubled
// (RFC 4180), without line breaks and without quotes right before a comma, which the loader
// cannot read back; the community and the count go bare unless they hold a comma or a line
// break or begin with a quote. A row whose address the loader would refuse (none, as a blank
// line loads) is written as its comment alone, the form the loader reads back as such a row.
std::string csvLine(const PrinterRecord& row, CsvLayout layout = CsvLayout::Classic, bool withVersion = false);

// Where the list file would not bring `text` back as it is: the byte offset of the first quote
// that is followed by another quote or by a comma (the loader reads every run of quotes as one,
// and a quote before a comma as the end of the field); npos when the text comes back whole, its
// line breaks aside, which the one-line row drops.
std::size_t csvUnsavableQuote(std::string_view text);

// Writes the whole table to the file at `path` (in the file system's own bytes): a new file
// beside the old one, flushed and renamed over it, so a failure at any point leaves the old file
// whole; only a regular file is replaced. The version column follows when a row needs it. A failure is shown with its
// errno and leaves modified set; success clears it.
bool writeCsvFile(PrinterTable& table, const std::string& path, UserInteraction& ui,
                  CsvLayout layout = CsvLayout::Classic);

// How a load ended.
enum class CsvLoad {
    Complete,  // read to its end
    TableFull, // more rows than the table holds: the first kMaxRows were kept
    Rejected,  // a field too long or an address refused: the rows before it were kept
    ReadError, // the file could not be read on
};

// Gives the next bytes of a file into `buffer`: their number, 0 at the end, -1 on an error
// (errno set).
using CsvSource = std::function<ssize_t(char* buffer, std::size_t capacity)>;

// Loads the rows of a printer list into the table, numbered 1 ... n in file order; shows
// nothing. The table needs no clearing before.
CsvLoad loadCsvRows(PrinterTable& table, const CsvSource& source);

// Loads the regular file at `path` (in the file system's own bytes) and shows what went wrong,
// if anything. True when the file was read to its end, also when it held more rows than the
// table; false when it cannot be opened or read, or a line was rejected. `outcome`, when given,
// tells which. The caller clears the table before.
bool readCsvFile(PrinterTable& table, const std::string& path, UserInteraction& ui, CsvLoad* outcome = nullptr);

// The same over bytes in memory, with the same messages.
bool readCsvBytes(PrinterTable& table, std::string_view bytes, UserInteraction& ui);

} // namespace sorpex
