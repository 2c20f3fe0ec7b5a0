#include "inventory/ip_address.h"

#include <array>

namespace sorpex {

std::optional<std::string> normalizedIpAddress(std::string_view text) {
    std::array<int, 4> octets{};
    std::size_t pos = 0;
    for (int n = 0; n < 4; ++n) {
        const bool last = n == 3;
        int value = 0;
        int digits = 0;
        while (true) {
            if (pos == text.size()) {
                // Only the last octet ends with the text; an empty one counts as 0 like the others.
                if (!last) {
                    return std::nullopt;
                }
                break;
            }
            char c = text[pos++];
            if (c == '.' && !last) {
                break;
            }
            if (c < '0' || c > '9' || digits == 3) {
                return std::nullopt;
            }
            value = value * 10 + (c - '0');
            ++digits;
        }
        octets[static_cast<std::size_t>(n)] = value;
    }
    if (octets[0] > 255 || octets[1] > 255 || octets[2] > 255 || octets[3] > 254) {
        return std::nullopt;
    }
    if (octets[0] == 0 && octets[1] == 0 && octets[2] == 0 && octets[3] == 0) {
        return std::nullopt;
    }
    return std::to_string(octets[0]) + '.' + std::to_string(octets[1]) + '.' + std::to_string(octets[2]) + '.' +
           std::to_string(octets[3]);
}

int normalizeIpAddress(std::string& text) {
    std::optional<std::string> normal = normalizedIpAddress(text);
    if (!normal) {
        return 1;
    }
    text = *normal;
    return 0;
}

int normalizeIpAddress(IpAddressText& text) {
    std::optional<std::string> normal = normalizedIpAddress(text.view());
    if (!normal) {
        return 1;
    }
    // At most 15 characters: always fits.
    text.set(*normal);
    return 0;
}

} // namespace sorpex
