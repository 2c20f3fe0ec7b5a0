#include "mail/tls_channel.h"

#include <arpa/inet.h>
#include <climits>
#include <openssl/err.h>
#include <openssl/ssl.h>
#include <openssl/x509v3.h>
#include <string>

namespace sorpex {
namespace {

// One TLS record at most, so that a piece of the socket fits one read.
constexpr std::size_t kPiece = 16 * 1024;
// A close_notify is a few bytes: only a full send buffer could hold it up.
constexpr std::chrono::seconds kShutdownWait{1};

TlsFailure verifyFailure(const SSL* ssl) {
    switch (SSL_get_verify_result(ssl)) {
    case X509_V_OK:
        return TlsFailure::Handshake;
    case X509_V_ERR_HOSTNAME_MISMATCH:
    case X509_V_ERR_IP_ADDRESS_MISMATCH:
        return TlsFailure::NameMismatch;
    case X509_V_ERR_CERT_HAS_EXPIRED:
    case X509_V_ERR_CERT_NOT_YET_VALID:
        return TlsFailure::Expired;
    default:
        return TlsFailure::Untrusted;
    }
}

// The certificate must name the server as the user wrote it: an address as an IP entry, a
// host name as a DNS entry (also sent as SNI, so that a server with several names picks it).
// Only subjectAltName counts: a common name is no statement of the host name (RFC 6125).
bool expectServer(SSL* ssl, const std::string& host) {
    SSL_set_hostflags(ssl, X509_CHECK_FLAG_NO_PARTIAL_WILDCARDS | X509_CHECK_FLAG_NEVER_CHECK_SUBJECT);
    in_addr address{};
    if (inet_pton(AF_INET, host.c_str(), &address) == 1) {
        return X509_VERIFY_PARAM_set1_ip_asc(SSL_get0_param(ssl), host.c_str()) == 1;
    }
    return SSL_set_tlsext_host_name(ssl, host.c_str()) == 1 && SSL_set1_host(ssl, host.c_str()) == 1;
}

} // namespace

void TlsContext::Free::operator()(ssl_ctx_st* context) const {
    SSL_CTX_free(context);
}

TlsContext::TlsContext() : m_context(SSL_CTX_new(TLS_client_method())) {
    if (m_context == nullptr) {
        return;
    }
    SSL_CTX* context = m_context.get();
    SSL_CTX_set_verify(context, SSL_VERIFY_PEER, nullptr);
    // Without a store every server is refused as untrusted, which is the right outcome too.
    SSL_CTX_set_default_verify_paths(context);
    // TLS 1.2 only with ephemeral key exchange, so that a stolen server key cannot open recorded
    // sessions; TLS 1.3 has nothing else.
    if (SSL_CTX_set_min_proto_version(context, TLS1_2_VERSION) != 1 ||
        SSL_CTX_set_cipher_list(context, "ECDHE+AESGCM:ECDHE+CHACHA20:DHE+AESGCM:DHE+CHACHA20") != 1) {
        m_context.reset();
    }
}

void TlsChannel::Free::operator()(ssl_st* ssl) const {
    SSL_free(ssl);
}

TlsChannel TlsChannel::connect(const TlsContext& context, int fd, std::string_view host, TlsFailure* failure) {
    *failure = TlsFailure::Handshake;
    TlsChannel channel;
    // A host text with a zero byte is refused: the certificate check would see only its start.
    if (!context.valid() || host.find('\0') != std::string_view::npos) {
        return {};
    }
    channel.m_ssl.reset(SSL_new(context.get()));
    BIO* in = BIO_new(BIO_s_mem());
    BIO* out = BIO_new(BIO_s_mem());
    if (channel.m_ssl == nullptr || in == nullptr || out == nullptr) {
        BIO_free(in);
        BIO_free(out);
        return {};
    }
    SSL* ssl = channel.m_ssl.get();
    SSL_set_bio(ssl, in, out);
    channel.m_in = in;
    channel.m_out = out;
    channel.m_fd = fd;
    if (!expectServer(ssl, std::string(host))) {
        return {};
    }
    SSL_set_connect_state(ssl);

    const Deadline deadline = std::chrono::steady_clock::now() + kHandshakeTimeout;
    for (;;) {
        ERR_clear_error();
        const int result = SSL_connect(ssl);
        // Also after a failure: the alert tells the server why.
        const bool flushed = channel.flush(deadline);
        if (result == 1 && flushed) {
            *failure = TlsFailure::None;
            return channel;
        }
        if (result != 1 && SSL_get_error(ssl, result) == SSL_ERROR_WANT_READ && flushed && channel.pull(deadline)) {
            continue;
        }
        if (result != 1) {
            *failure = verifyFailure(ssl);
        }
        return {};
    }
}

bool TlsChannel::send(std::string_view bytes, Deadline deadline) {
    if (!active()) {
        return false;
    }
    while (!bytes.empty()) {
        ERR_clear_error();
        const int written = SSL_write(m_ssl.get(), bytes.data(), static_cast<int>(std::min(bytes.size(), kPiece)));
        if (written > 0) {
            bytes.remove_prefix(static_cast<std::size_t>(written));
            if (!flush(deadline)) {
                return false;
            }
            continue;
        }
        if (SSL_get_error(m_ssl.get(), written) != SSL_ERROR_WANT_READ || !flush(deadline) || !pull(deadline)) {
            return false;
        }
    }
    return true;
}

long TlsChannel::receive(char* buffer, std::size_t size, Deadline deadline) {
    if (!active()) {
        return -1;
    }
    for (;;) {
        ERR_clear_error();
        const int read = SSL_read(m_ssl.get(), buffer, static_cast<int>(std::min<std::size_t>(size, INT_MAX)));
        if (read > 0) {
            return read;
        }
        const int error = SSL_get_error(m_ssl.get(), read);
        if (error == SSL_ERROR_ZERO_RETURN) {
            return 0;
        }
        if (error != SSL_ERROR_WANT_READ || !flush(deadline) || !pull(deadline)) {
            return -1;
        }
    }
}

void TlsChannel::shutdown() {
    if (!active()) {
        return;
    }
    ERR_clear_error();
    SSL_shutdown(m_ssl.get());
    flush(std::chrono::steady_clock::now() + kShutdownWait);
    m_ssl.reset();
}

bool TlsChannel::flush(Deadline deadline) {
    char piece[kPiece];
    while (BIO_ctrl_pending(m_out) > 0) {
        const int taken = BIO_read(m_out, piece, sizeof piece);
        if (taken <= 0 || !sendBytes(m_fd, std::string_view(piece, static_cast<std::size_t>(taken)), deadline)) {
            return false;
        }
    }
    return true;
}

bool TlsChannel::pull(Deadline deadline) {
    char piece[kPiece];
    const long received = receiveBytes(m_fd, piece, sizeof piece, deadline);
    return received > 0 && BIO_write(m_in, piece, static_cast<int>(received)) == received;
}

} // namespace sorpex
