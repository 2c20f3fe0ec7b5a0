#pragma once

#include "base/unique_fd.h"
#include "mail/socket_io.h"
#include "mail/tls_channel.h"

#include <chrono>
#include <string_view>

namespace sorpex {

// A server that stops reading must not stall the sender for ever: one line that cannot be
// handed over within this time breaks the session.
inline constexpr std::chrono::seconds kSendTimeout{5};

// Owns the connected socket of one SMTP session, and its TLS session once one is started; the
// invalid value stands for no session.
class SmtpSocket {
public:
    SmtpSocket() = default;
    explicit SmtpSocket(int fd) noexcept : m_fd(fd) {}
    SmtpSocket(SmtpSocket&& other) noexcept;
    SmtpSocket& operator=(SmtpSocket&& other) noexcept;

    bool valid() const { return m_fd.valid(); }
    int fd() const { return m_fd.get(); }

    // Starts TLS with the server named `host`; from then on every byte goes through it. On a
    // failure the session is no use any more and the caller closes it.
    TlsFailure startTls(const TlsContext& context, std::string_view host);

    // Sends every byte within kSendTimeout. A server that hung up gives false, never SIGPIPE.
    // After one failed send the byte stream is broken: every later send gives false at once.
    bool sendAll(std::string_view bytes);
    bool broken() const { return m_broken; }

    // Like receiveBytes, over TLS once it is started.
    long receive(char* buffer, std::size_t size, Deadline deadline);

    void close();

private:
    UniqueFd m_fd;
    TlsChannel m_tls; // declared after the socket, so that it goes first
    bool m_broken = false;
};

} // namespace sorpex
