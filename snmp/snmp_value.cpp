#include "snmp/snmp_value.h"

#include "base/cp932.h"

#include <cstdio>

namespace sorpex {
namespace {

void appendHexBytes(std::string& out, const std::vector<std::uint8_t>& bytes, std::size_t count) {
    char piece[8];
    for (std::size_t i = 0; i < count && out.size() < kSnmpTextLimit; ++i) {
        std::snprintf(piece, sizeof piece, "<0x%02X>", bytes[i]);
        out += piece;
    }
}

} // namespace

std::string renderSnmpValue(const SnmpValue& value) {
    std::string out;
    char number[48];
    switch (value.type) {
    case asn::kInteger:
        std::snprintf(number, sizeof number, "%d", static_cast<int>(value.number));
        out = number;
        break;
    case asn::kBitString:
    case asn::kSequence:
    case asn::kOpaque:
        appendHexBytes(out, value.bytes, value.bytes.size());
        break;
    case asn::kOctetString: {
        // Only the first 1024 bytes of a string are looked at; the cut below keeps its
        // double-byte characters whole.
        std::size_t count = value.bytes.size() < 1024 ? value.bytes.size() : 1024;
        for (std::size_t i = 0; i < count && out.size() <= kSnmpTextLimit; ++i) {
            std::uint8_t byte = value.bytes[i];
            if (byte >= 0x20) {
                out += static_cast<char>(byte);
            } else {
                std::snprintf(number, sizeof number, "<0x%02X>", byte);
                out += number;
            }
        }
        break;
    }
    case asn::kObjectId:
        for (std::size_t i = 0; i < value.oid.size() && out.size() < kSnmpTextLimit; ++i) {
            std::snprintf(number, sizeof number, i == 0 ? "%u" : ".%u", static_cast<unsigned>(value.oid[i]));
            out += number;
        }
        break;
    case asn::kIpAddress:
        if (value.bytes.size() == 4) {
            std::snprintf(number, sizeof number, "%d.%d.%d.%d", value.bytes[0], value.bytes[1], value.bytes[2],
                          value.bytes[3]);
            out = number;
        } else {
            out = "Invalid";
        }
        break;
    case asn::kCounter32:
    case asn::kGauge32:
    case asn::kTimeTicks:
    case asn::kUnsigned32:
        std::snprintf(number, sizeof number, "%u", static_cast<unsigned>(value.number));
        out = number;
        break;
    case asn::kCounter64:
        std::snprintf(number, sizeof number, "%08X", static_cast<unsigned>(value.counter64 & 0xFFFFFFFFu));
        out = number;
        break;
    default:
        std::snprintf(number, sizeof number, "Invalid type(%d)", value.type);
        out = number;
        break;
    }
    if (out.size() > kSnmpTextLimit) {
        out.resize(cp932::truncate(out, kSnmpTextLimit).size());
    }
    return out;
}

} // namespace sorpex
