#pragma once

#include <cstddef>
#include <cstdint>
#include <vector>

namespace sorpex {

// A value of a response that the SNMP library would not decode, and so would drop the whole
// reply for: the value of binding number `binding` (from 0) had the type `tag`.
struct RetaggedValue {
    std::size_t binding = 0;
    std::uint8_t tag = 0;
};

// Walks an SNMPv1 message (BER) and gives every binding whose value the library refuses (a
// SEQUENCE, an IpAddress of other than 4 bytes, a type it does not know) the tag of an OCTET
// STRING, so that the library keeps its bytes; lengths stay as they are. Gives the values so
// changed, in order; nothing for a message it cannot walk, which is left as it was.
std::vector<RetaggedValue> retagUndecodableValues(std::vector<std::uint8_t>& message);

} // namespace sorpex
