#include "inventory/printer_record.h"
#include "snmp/snmp_get.h"
#include "snmp/supplies.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace {

// Answers every request from the input: a result byte, then for GETNEXT a name, then a value,
// each text a length byte and that many bytes. An exhausted input answers nothing.
class Replies {
public:
    Replies(const std::uint8_t* data, std::size_t size) : m_data(data), m_size(size) {}

    int answer(std::string* name, std::string& out) {
        if (m_at >= m_size) {
            return sorpex::kSnmpNoResponse;
        }
        ++requests;
        const int result = m_data[m_at++] % 3;
        if (name != nullptr) {
            *name = text();
        }
        out = text();
        return result;
    }

    int requests = 0;

private:
    std::string text() {
        if (m_at >= m_size) {
            return {};
        }
        std::size_t length = m_data[m_at++];
        length = length < m_size - m_at ? length : m_size - m_at;
        std::string bytes(reinterpret_cast<const char*>(m_data + m_at), length);
        m_at += length;
        return bytes;
    }

    const std::uint8_t* m_data;
    std::size_t m_size;
    std::size_t m_at = 0;
};

} // namespace

// Whatever the agent answers, the walk ends within its row limit and the row's fields stay in
// their bounds.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    Replies replies(data, size);
    sorpex::SnmpTransport transport;
    transport.get = [&](std::string_view, std::string_view, std::string_view, std::string& out) {
        return replies.answer(nullptr, out);
    };
    transport.getNext = [&](std::string_view, std::string_view, std::string_view, std::string& name, std::string& out) {
        return replies.answer(&name, out);
    };
    sorpex::PrinterRecord row;
    row.ipAddress.set("10.0.0.1");
    row.community.set("public");
    sorpex::askSupplies(row, transport);
    const int longest = 1 + 5 * static_cast<int>(sorpex::kMaxSupplyRows) + 1;
    if (replies.requests > longest || row.lowestSupply < sorpex::kNoSupplyPercent || row.lowestSupply > 100 ||
        row.supplies.view().size() > 1023 || row.serialNumber.view().size() > 255) {
        __builtin_trap();
    }
    return 0;
}
