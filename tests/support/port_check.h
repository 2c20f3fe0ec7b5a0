#pragma once

#include <string>

namespace sorpex::test {

enum class Transport { Udp, Tcp };

// Throws, naming the address, when another process already holds `address`:`port`: a test whose
// peer cannot have the port would otherwise talk to whoever has it and fail for the wrong reason.
void requireFreePort(const std::string& address, int port, Transport transport);

} // namespace sorpex::test
