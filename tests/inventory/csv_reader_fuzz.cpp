#include "base/interaction.h"
#include "base/snmp_version.h"
#include "inventory/csv_file.h"
#include "inventory/ip_address.h"

#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace {

class SilentUser : public sorpex::UserInteraction {
public:
    sorpex::Answer showMessage(std::string_view, sorpex::MessageIcon, sorpex::MessageButtons) override {
        return sorpex::Answer::Ok;
    }
    std::optional<std::string> chooseOpenFile(const sorpex::FileChooserRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseSaveFile(const sorpex::FileChooserRequest&) override { return std::nullopt; }
    std::optional<std::string> chooseFolder(const sorpex::FileChooserRequest&) override { return std::nullopt; }
};

struct Row {
    std::string comment, ipAddress, community;
    sorpex::SnmpVersion version = sorpex::SnmpVersion::Default;
};

// The field number the header names "SNMP Version" at, names taken as they stand; -1 for none.
int versionField(std::string_view header) {
    const std::string_view name = sorpex::kCsvVersionHeader.substr(1);
    for (int index = 0; index < 4096; ++index) {
        std::size_t comma = header.find(',');
        if (header.substr(0, comma) == name) {
            return index;
        }
        if (comma == std::string_view::npos) {
            break;
        }
        header.remove_prefix(comma + 1);
    }
    return -1;
}

// A record field holds its text up to the first NUL.
std::string upToNul(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

// The loader written the plain way, whole lines and whole field texts in memory, step by step
// as the file format describes it. The real reader keeps bounded state instead; both must agree.
bool referenceLoad(std::string_view bytes, std::vector<Row>& rows) {
    std::vector<std::string_view> lines;
    while (!bytes.empty()) {
        std::size_t lf = bytes.find('\n');
        std::string_view line = bytes.substr(0, lf);
        if (lf != std::string_view::npos && !line.empty() && line.back() == '\r') {
            line.remove_suffix(1);
        }
        lines.push_back(line);
        bytes.remove_prefix(lf == std::string_view::npos ? bytes.size() : lf + 1);
    }
    const std::string_view header = sorpex::kCsvHeader.substr(0, 16);
    std::size_t next = 0;
    std::size_t r = 0;
    int f = 0;
    int version = -1;
    std::string buffer;
    bool open = false;
    while (next < lines.size()) {
        std::string_view line = lines[next++];
        if (line.substr(0, 16) == header) {
            version = versionField(line);
            if (next == lines.size()) {
                break;
            }
            line = lines[next++];
        }
        if (!open) {
            rows.resize(r + 1);
            rows[r] = Row{};
            f = 0;
        }
        std::size_t p = 0;
        bool complete = false;
        while (true) {
            std::size_t c = line.find(',', p);
            const bool last = c == std::string_view::npos;
            buffer += line.substr(p, last ? std::string_view::npos : c - p);
            if (!buffer.empty() && buffer.front() == '"') {
                if (buffer.size() >= 2 && buffer.back() == '"') {
                    buffer.pop_back();
                    buffer.erase(0, 1);
                } else if (!last) {
                    buffer += ',';
                    p = c + 1;
                    continue;
                } else {
                    open = true;
                    break;
                }
            }
            for (std::size_t q; (q = buffer.find("\"\"")) != std::string::npos;) {
                buffer.erase(q, 1);
            }
            bool refused = false;
            if (f == version) {
                std::optional<sorpex::SnmpVersion> named = sorpex::parseSnmpVersion(buffer);
                refused = !named.has_value();
                rows[r].version = named.value_or(sorpex::SnmpVersion::Default);
            } else if (f == 0) {
                refused = buffer.size() >= 1024;
                if (!refused) {
                    rows[r].comment = upToNul(buffer);
                }
            } else if (f == 1) {
                refused = buffer.size() >= 20;
                if (!refused) {
                    rows[r].ipAddress = upToNul(buffer);
                    refused = sorpex::normalizeIpAddress(rows[r].ipAddress) != 0;
                }
            } else if (f == 2) {
                refused = buffer.size() >= 256;
                if (!refused) {
                    rows[r].community = upToNul(buffer);
                }
            }
            if (refused) {
                rows.resize(std::min<std::size_t>(r + 1, 1023));
                return false;
            }
            buffer.clear();
            ++f;
            p = c + 1;
            if (last) {
                open = false;
                complete = true;
                break;
            }
        }
        if (complete && ++r == 1024) {
            rows.resize(1023);
            return true;
        }
    }
    rows.resize(r);
    return true;
}

// The file writeCsvFile writes for the table: the version column only when a row names one.
std::string listBytes(const sorpex::PrinterTable& table) {
    bool withVersion = false;
    for (int i = 0; i < table.terminatorSlot(); ++i) {
        withVersion = withVersion || table.slot(i).snmpVersion != sorpex::SnmpVersion::Default;
    }
    std::string bytes = std::string(sorpex::kCsvHeader) + (withVersion ? std::string(sorpex::kCsvVersionHeader) : "");
    bytes += "\r\n";
    for (int i = 0; i < table.terminatorSlot(); ++i) {
        bytes += sorpex::csvLine(table.slot(i), sorpex::CsvLayout::Classic, withVersion) + "\r\n";
    }
    return bytes;
}

} // namespace

// Loads arbitrary bytes as a printer list, compares the table with the plain reference, and
// checks that the table ends inside its slots with rows numbered 1 ... n. Then saves what was
// loaded and loads it again: every row comes back, and saving again gives the same bytes.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    static auto table = std::make_unique<sorpex::PrinterTable>();
    SilentUser user;
    std::string_view bytes(reinterpret_cast<const char*>(data), size);
    bool complete = sorpex::readCsvBytes(*table, bytes, user);

    std::vector<Row> expected;
    if (referenceLoad(bytes, expected) != complete) {
        __builtin_trap();
    }
    int end = table->terminatorSlot();
    if (end > sorpex::PrinterTable::kMaxRows || static_cast<std::size_t>(end) != expected.size()) {
        __builtin_trap();
    }
    for (int i = 0; i < end; ++i) {
        const sorpex::PrinterRecord& row = table->slot(i);
        const Row& want = expected[static_cast<std::size_t>(i)];
        if (row.id != i + 1 || row.comment.view() != want.comment || row.ipAddress.view() != want.ipAddress ||
            row.community.view() != want.community || row.snmpVersion != want.version) {
            __builtin_trap();
        }
    }

    static auto again = std::make_unique<sorpex::PrinterTable>();
    const std::string saved = listBytes(*table);
    if (!sorpex::readCsvBytes(*again, saved, user) || again->terminatorSlot() != end || listBytes(*again) != saved) {
        __builtin_trap();
    }
    return 0;
}
