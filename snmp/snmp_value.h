#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace sorpex {

// ASN.1 and SNMPv1 application types of a value in a response.
namespace asn {
inline constexpr int kInteger = 0x02;
inline constexpr int kBitString = 0x03;
inline constexpr int kOctetString = 0x04;
inline constexpr int kNull = 0x05;
inline constexpr int kObjectId = 0x06;
inline constexpr int kSequence = 0x30;
inline constexpr int kIpAddress = 0x40;
inline constexpr int kCounter32 = 0x41;
inline constexpr int kGauge32 = 0x42;
inline constexpr int kTimeTicks = 0x43;
inline constexpr int kOpaque = 0x44;
inline constexpr int kCounter64 = 0x46;
inline constexpr int kUnsigned32 = 0x47;
} // namespace asn

// One value of a response, independent of the SNMP library that decoded it.
struct SnmpValue {
    int type = asn::kNull;
    std::int64_t number = 0;         // INTEGER (signed) and the 32-bit unsigned types
    std::uint64_t counter64 = 0;     // Counter64
    std::vector<std::uint8_t> bytes; // OCTET STRING, BITS, SEQUENCE, Opaque, IpAddress
    std::vector<std::uint32_t> oid;  // OBJECT IDENTIFIER
};

// The longest text a value renders to; the rest is cut off.
inline constexpr std::size_t kSnmpTextLimit = 1023;

// The value as the list and the status query read it: numbers in decimal, printable bytes as
// they are (Shift-JIS text passes unchanged), control bytes as <0x0D>.
std::string renderSnmpValue(const SnmpValue& value);

} // namespace sorpex
