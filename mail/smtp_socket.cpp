#include "mail/smtp_socket.h"

#include <cerrno>
#include <poll.h>
#include <sys/socket.h>
#include <utility>

namespace sorpex {

SmtpSocket::SmtpSocket(SmtpSocket&& other) noexcept
    : m_fd(std::move(other.m_fd)), m_broken(std::exchange(other.m_broken, false)) {}

SmtpSocket& SmtpSocket::operator=(SmtpSocket&& other) noexcept {
    if (this != &other) {
        m_fd = std::move(other.m_fd);
        m_broken = std::exchange(other.m_broken, false);
    }
    return *this;
}

bool SmtpSocket::sendAll(std::string_view bytes) {
    if (!m_fd.valid() || m_broken) {
        return false;
    }
    const auto deadline = std::chrono::steady_clock::now() + kSendTimeout;
    while (!bytes.empty()) {
        // MSG_NOSIGNAL: a peer that has gone gives EPIPE here instead of killing the process.
        const ssize_t sent = ::send(m_fd.get(), bytes.data(), bytes.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
        if (sent > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(sent));
            continue;
        }
        if (sent < 0 && errno == EINTR) {
            continue;
        }
        if (sent < 0 && (errno == EAGAIN || errno == EWOULDBLOCK)) {
            // The whole line counts against one deadline: a receiver that lets a few bytes in now
            // and then must not stretch it.
            const auto left =
                std::chrono::ceil<std::chrono::milliseconds>(deadline - std::chrono::steady_clock::now()).count();
            pollfd wait{m_fd.get(), POLLOUT, 0};
            const int ready = left > 0 ? ::poll(&wait, 1, static_cast<int>(left)) : 0;
            if (ready > 0 || (ready < 0 && errno == EINTR)) {
                continue;
            }
        }
        m_broken = true;
        return false;
    }
    return true;
}

void SmtpSocket::close() {
    m_fd.reset();
    m_broken = false;
}

} // namespace sorpex
