#include "tests/support/port_check.h"

#include <arpa/inet.h>
#include <cerrno>
#include <cstring>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace sorpex::test {

void requireFreePort(const std::string& address, int port, Transport transport) {
    const std::string where = address + ":" + std::to_string(port);
    sockaddr_in endpoint{};
    endpoint.sin_family = AF_INET;
    endpoint.sin_port = htons(static_cast<std::uint16_t>(port));
    if (inet_pton(AF_INET, address.c_str(), &endpoint.sin_addr) != 1) {
        throw std::runtime_error("not a numeric IPv4 address: " + address);
    }
    int fd = socket(AF_INET, (transport == Transport::Udp ? SOCK_DGRAM : SOCK_STREAM) | SOCK_CLOEXEC, 0);
    if (fd < 0) {
        throw std::runtime_error("socket failed: " + std::string(std::strerror(errno)));
    }
    // Over TCP only a listener counts: connections of an earlier peer left in TIME_WAIT do not.
    // Over UDP any socket does, also one that allowed others to share its port.
    int on = 1;
    if (transport == Transport::Tcp) {
        setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
    }
    int rc = bind(fd, reinterpret_cast<const sockaddr*>(&endpoint), sizeof endpoint);
    int error = errno;
    close(fd);
    const std::string protocol = transport == Transport::Udp ? " (UDP)" : " (TCP)";
    if (rc != 0 && error == EADDRINUSE) {
        throw std::runtime_error(where + protocol +
                                 " is already taken by another process: another test or a leftover peer "
                                 "listens there; stop it, or give this test a block of its own in tests/LOOPBACK.md");
    }
    if (rc != 0) {
        throw std::runtime_error(where + protocol + " cannot be bound: " + std::strerror(error));
    }
}

} // namespace sorpex::test
