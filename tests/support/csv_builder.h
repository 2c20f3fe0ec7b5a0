#pragma once

#include <string>
#include <vector>

namespace sorpex::test {

// The header line of a printer list file, CR LF included.
inline const std::string kListHeaderLine =
    "Comment,IP Address,Community Name,Printer Model,Count,System Name,System Location,System Contact,"
    "System Descr\r\n";

// One printer of a list file as the program writes it before any acquisition.
struct ListRow {
    std::string comment;
    std::string address;
    std::string community = "public";
};

inline std::string listLine(const ListRow& row) {
    return "\"" + row.comment + "\"," + row.address + "," + row.community + ",\"\",,\"\",\"\",\"\",\"\"\r\n";
}

inline std::string listFile(const std::vector<ListRow>& rows) {
    std::string text = kListHeaderLine;
    for (const ListRow& row : rows) {
        text += listLine(row);
    }
    return text;
}

} // namespace sorpex::test
