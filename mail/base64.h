#pragma once

#include <string>
#include <string_view>

namespace sorpex {

// Standard base64 (RFC 2045 alphabet, "=" padding) of the whole input as one line.
std::string base64Encode(std::string_view bytes);

} // namespace sorpex
