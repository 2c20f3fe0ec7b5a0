#include "snmp/snmp_reply.h"

#include "snmp/snmp_value.h"

namespace sorpex {
namespace {

constexpr std::uint8_t kSequenceTag = 0x30;

// One BER element inside `message`: its tag, and where its contents begin and end.
struct Element {
    std::uint8_t tag = 0;
    std::size_t begin = 0;
    std::size_t end = 0;
};

// Reads the element at `pos`, which must end by `limit`. Single-byte tags and definite lengths
// of up to four bytes, as SNMP uses them.
bool readElement(const std::vector<std::uint8_t>& message, std::size_t pos, std::size_t limit, Element& element) {
    if (pos + 2 > limit) {
        return false;
    }
    element.tag = message[pos];
    if ((element.tag & 0x1F) == 0x1F) {
        return false;
    }
    std::size_t length = message[pos + 1];
    pos += 2;
    if (length & 0x80) {
        const std::size_t count = length & 0x7F;
        if (count == 0 || count > 4 || pos + count > limit) {
            return false;
        }
        length = 0;
        for (std::size_t i = 0; i < count; ++i) {
            length = length << 8 | message[pos + i];
        }
        pos += count;
    }
    if (length > limit - pos) {
        return false;
    }
    element.begin = pos;
    element.end = pos + length;
    return true;
}

bool decodable(const Element& value) {
    switch (value.tag) {
    case asn::kIpAddress:
        return value.end - value.begin == 4;
    case asn::kInteger:
    case asn::kBitString:
    case asn::kOctetString:
    case asn::kNull:
    case asn::kObjectId:
    case asn::kCounter32:
    case asn::kGauge32:
    case asn::kTimeTicks:
    case asn::kOpaque:
    case 0x45: // NsapAddress
    case asn::kCounter64:
    case asn::kUnsigned32:
    case 0x80: // noSuchObject, noSuchInstance, endOfMibView
    case 0x81:
    case 0x82:
        return true;
    default:
        return false;
    }
}

} // namespace

std::vector<RetaggedValue> retagUndecodableValues(std::vector<std::uint8_t>& message) {
    // Message: SEQUENCE { version, community, PDU { request-id, error-status, error-index,
    // SEQUENCE OF SEQUENCE { name, value } } }.
    Element outer, field, pdu, bindings;
    if (!readElement(message, 0, message.size(), outer) || outer.tag != kSequenceTag) {
        return {};
    }
    std::size_t pos = outer.begin;
    for (int skip = 0; skip < 2; ++skip) {
        if (!readElement(message, pos, outer.end, field)) {
            return {};
        }
        pos = field.end;
    }
    if (!readElement(message, pos, outer.end, pdu)) {
        return {};
    }
    pos = pdu.begin;
    for (int skip = 0; skip < 3; ++skip) {
        if (!readElement(message, pos, pdu.end, field)) {
            return {};
        }
        pos = field.end;
    }
    if (!readElement(message, pos, pdu.end, bindings) || bindings.tag != kSequenceTag) {
        return {};
    }
    std::vector<RetaggedValue> retagged;
    std::vector<std::size_t> tagPositions;
    Element binding, name, value;
    std::size_t index = 0;
    for (pos = bindings.begin; pos < bindings.end; pos = binding.end, ++index) {
        if (!readElement(message, pos, bindings.end, binding) || binding.tag != kSequenceTag ||
            !readElement(message, binding.begin, binding.end, name) ||
            !readElement(message, name.end, binding.end, value)) {
            return {};
        }
        if (!decodable(value)) {
            retagged.push_back({index, value.tag});
            // The value, tag first, follows the name.
            tagPositions.push_back(name.end);
        }
    }
    for (std::size_t tag : tagPositions) {
        message[tag] = asn::kOctetString;
    }
    return retagged;
}

} // namespace sorpex
