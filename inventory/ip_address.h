#pragma once

#include "inventory/printer_record.h"

#include <optional>
#include <string>
#include <string_view>

namespace sorpex {

// Reads a dotted IPv4 text: four octets of at most three digits, an empty octet counting as 0.
// Gives the text in its normal form ("%d.%d.%d.%d", no leading zeros), or nothing when the text
// is no usable printer address: an octet above 255, a last octet above 254, 0.0.0.0, anything
// but digits and dots, or other than four octets.
std::optional<std::string> normalizedIpAddress(std::string_view text);

// 0 when the text is usable, and then rewritten in place in its normal form; 1 and the text left
// alone otherwise.
int normalizeIpAddress(std::string& text);
int normalizeIpAddress(IpAddressText& text);

} // namespace sorpex
