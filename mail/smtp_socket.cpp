#include "mail/smtp_socket.h"

#include <utility>

namespace sorpex {

SmtpSocket::SmtpSocket(SmtpSocket&& other) noexcept
    : m_fd(std::move(other.m_fd)), m_tls(std::move(other.m_tls)), m_broken(std::exchange(other.m_broken, false)) {}

SmtpSocket& SmtpSocket::operator=(SmtpSocket&& other) noexcept {
    if (this != &other) {
        m_tls = std::move(other.m_tls);
        m_fd = std::move(other.m_fd);
        m_broken = std::exchange(other.m_broken, false);
    }
    return *this;
}

TlsFailure SmtpSocket::startTls(const TlsContext& context, std::string_view host) {
    TlsFailure failure = TlsFailure::Handshake;
    if (valid() && !m_broken) {
        m_tls = TlsChannel::connect(context, m_fd.get(), host, &failure);
    }
    return failure;
}

bool SmtpSocket::sendAll(std::string_view bytes) {
    if (!m_fd.valid() || m_broken) {
        return false;
    }
    const Deadline deadline = std::chrono::steady_clock::now() + kSendTimeout;
    const bool sent = m_tls.active() ? m_tls.send(bytes, deadline) : sendBytes(m_fd.get(), bytes, deadline);
    m_broken = !sent;
    return sent;
}

long SmtpSocket::receive(char* buffer, std::size_t size, Deadline deadline) {
    if (!m_fd.valid()) {
        return -1;
    }
    return m_tls.active() ? m_tls.receive(buffer, size, deadline) : receiveBytes(m_fd.get(), buffer, size, deadline);
}

void SmtpSocket::close() {
    if (!m_broken) {
        m_tls.shutdown();
    }
    m_tls = TlsChannel();
    m_fd.reset();
    m_broken = false;
}

} // namespace sorpex
