#include "snmp/snmp_reply.h"

#include <cstddef>
#include <cstdint>
#include <vector>

// Walks arbitrary bytes as an SNMP reply: it must stay inside them, and it may change nothing but
// the tags it reports, each to the tag of an OCTET STRING, in binding order.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::vector<std::uint8_t> before(data, data + size);
    std::vector<std::uint8_t> message = before;
    const std::vector<sorpex::RetaggedValue> retagged = sorpex::retagUndecodableValues(message);
    std::size_t changed = 0;
    for (std::size_t i = 0; i < size; ++i) {
        if (message[i] != before[i]) {
            if (message[i] != 0x04) {
                __builtin_trap();
            }
            ++changed;
        }
    }
    if (changed > retagged.size() || (retagged.empty() && changed != 0)) {
        __builtin_trap();
    }
    for (std::size_t i = 1; i < retagged.size(); ++i) {
        if (retagged[i].binding <= retagged[i - 1].binding) {
            __builtin_trap();
        }
    }
    return 0;
}
