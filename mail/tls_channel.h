#pragma once

#include "mail/socket_io.h"

#include <cstddef>
#include <memory>
#include <string_view>

struct ssl_st;
struct ssl_ctx_st;
struct bio_st;

namespace sorpex {

// Why a TLS session could not be started.
enum class TlsFailure {
    None,
    Handshake,    // refused, broken off, not TLS at all, or not within the time
    NameMismatch, // the certificate is for another host name or address
    Expired,      // the certificate is outside its validity period
    Untrusted,    // the certificate does not lead to a trusted authority
};

// A server's TLS handshake must be over within this time, whatever it sends or withholds.
inline constexpr std::chrono::seconds kHandshakeTimeout{5};

// Owns the TLS settings of the client: TLS 1.2 at least, on 1.2 forward-secret suites only, the
// server's certificate verified against the system's store (SSL_CERT_FILE and SSL_CERT_DIR are
// honoured).
class TlsContext {
public:
    TlsContext();
    bool valid() const { return m_context != nullptr; }
    ssl_ctx_st* get() const { return m_context.get(); }

private:
    struct Free {
        void operator()(ssl_ctx_st* context) const;
    };
    std::unique_ptr<ssl_ctx_st, Free> m_context;
};

// Owns one TLS session over a connected socket that it does not own. The encrypted bytes pass
// through memory buffers and go over the socket with sendBytes and receiveBytes, so every wait
// has its deadline and a server that has gone cannot raise SIGPIPE.
class TlsChannel {
public:
    TlsChannel() = default;

    // Makes the handshake as the client of `host` (a dotted IPv4 address or a host name, which
    // the certificate must name). An inactive channel and the reason when it fails.
    static TlsChannel connect(const TlsContext& context, int fd, std::string_view host, TlsFailure* failure);

    bool active() const { return m_ssl != nullptr; }

    // Sends every byte before the deadline.
    bool send(std::string_view bytes, Deadline deadline);
    // Like receiveBytes: the count of bytes, 0 when the server closed the TLS session, -1 on
    // time-out, error or a connection cut without that close.
    long receive(char* buffer, std::size_t size, Deadline deadline);
    // Announces the end of the session without waiting for the server's answer.
    void shutdown();

private:
    struct Free {
        void operator()(ssl_st* ssl) const;
    };
    bool flush(Deadline deadline);
    bool pull(Deadline deadline);

    std::unique_ptr<ssl_st, Free> m_ssl;
    bio_st* m_in = nullptr;  // owned by m_ssl
    bio_st* m_out = nullptr; // likewise
    int m_fd = -1;
};

} // namespace sorpex
