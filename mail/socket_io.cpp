#include "mail/socket_io.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>

namespace sorpex {
namespace {

// What is left until the deadline, in whole milliseconds rounded up; 0 once it has passed.
int millisecondsLeft(Deadline deadline) {
    const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now());
    return left.count() > 0 ? static_cast<int>(left.count()) : 0;
}

} // namespace

bool sendBytes(int fd, std::string_view bytes, Deadline deadline) {
    while (!bytes.empty()) {
        // MSG_NOSIGNAL: a peer that has gone gives EPIPE here instead of killing the process.
        const ssize_t sent = ::send(fd, bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The whole text counts against one deadline: a receiver that lets a few bytes in now
            // and then must not stretch it.
            const int left = millisecondsLeft(deadline);
            pollfd wait{fd, POLLOUT, 0};
            const int ready = left > 0 ? ::poll(&wait, 1, left) : 0;
            if (ready > 0 || (ready < 0 && errno == EINTR)) {
                continue;
            }
        }
        return false;
    }
    return true;
}

long receiveBytes(int fd, char* buffer, std::size_t size, Deadline deadline) {
    for (;;) {
        const int left = millisecondsLeft(deadline);
        if (left <= 0) {
            return -1;
        }
        pollfd wait{fd, POLLIN, 0};
        const int ready = ::poll(&wait, 1, left);
        if (ready < 0 && errno == EINTR) {
            continue;
        }
        if (ready <= 0) {
            return -1;
        }
        const ssize_t received = ::recv(fd, buffer, size, MSG_DONTWAIT);
        if (received < 0 && (errno == EINTR || errno == EAGAIN || errno == EWOULDBLOCK)) {
            continue;
        }
        return received;
    }
}

} // namespace sorpex
