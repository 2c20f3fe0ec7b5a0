#include "inventory/ip_address.h"

#include <cstddef>
#include <cstdint>
#include <string>

// A normal form is accepted again unchanged, holds only digits and three dots, and fits the
// record's address field.
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string text(reinterpret_cast<const char*>(data), size);
    const std::string before = text;
    int result = sorpex::normalizeIpAddress(text);
    if (result != 0) {
        if (result != 1 || text != before) {
            __builtin_trap();
        }
        return 0;
    }
    int dots = 0;
    for (char c : text) {
        if (c == '.') {
            ++dots;
        } else if (c < '0' || c > '9') {
            __builtin_trap();
        }
    }
    std::string again = text;
    if (dots != 3 || !sorpex::IpAddressText::fits(text) || sorpex::normalizeIpAddress(again) != 0 || again != text) {
        __builtin_trap();
    }
    sorpex::IpAddressText field;
    field.set(before);
    sorpex::normalizeIpAddress(field);
    return 0;
}
