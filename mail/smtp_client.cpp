#include "mail/smtp_client.h"

#include "base/cp932.h"
#include "mail/base64.h"
#include "mail/reply_reader.h"
#include "settings/ini_file.h"

#include <algorithm>
#include <arpa/inet.h>
#include <cstdint>
#include <netdb.h>
#include <netinet/in.h>
#include <optional>
#include <sys/socket.h>
#include <sys/time.h>
#include <vector>

namespace sorpex {
namespace {

// Linux bounds a blocking connect by the socket's send time-out (sends themselves do not block).
// About what the original platform waits; Linux's own SYN retries take over two minutes.
constexpr int kConnectTimeoutSeconds = 20;

void setConnectTimeout(int fd) {
    timeval limit{};
    limit.tv_sec = kConnectTimeoutSeconds;
    setsockopt(fd, SOL_SOCKET, SO_SNDTIMEO, &limit, sizeof limit);
}

std::optional<in_addr> serverAddress(std::string_view host) {
    if (host.empty()) {
        return std::nullopt;
    }
    const std::string name(host);
    in_addr address{};
    if (inet_aton(name.c_str(), &address) != 0) {
        return address;
    }
    addrinfo hints{};
    hints.ai_family = AF_INET;
    hints.ai_socktype = SOCK_STREAM;
    addrinfo* found = nullptr;
    if (getaddrinfo(name.c_str(), nullptr, &hints, &found) != 0 || found == nullptr) {
        return std::nullopt;
    }
    address = reinterpret_cast<const sockaddr_in*>(found->ai_addr)->sin_addr;
    freeaddrinfo(found);
    return address;
}

std::string formatLine(std::string_view prefix, std::string_view text) {
    std::string line(prefix);
    line += cp932::truncate(text, kLineTextLimit - std::min(prefix.size(), kLineTextLimit));
    line += "\r\n";
    return line;
}

void removeControlCharacters(std::string& text) {
    std::erase_if(text, [](char c) { return static_cast<unsigned char>(c) < 32; });
}

std::optional<std::string> senderAddress(std::string_view text) {
    std::string_view address = text;
    if (const std::size_t open = text.find('<'); open != std::string_view::npos) {
        address = text.substr(open + 1);
        address = address.substr(0, address.find('>'));
    }
    if (address.empty()) {
        return std::nullopt;
    }
    return std::string(address);
}

// Every recipient, or nothing when the text holds an empty address or none at all.
std::optional<std::vector<std::string>> recipientAddresses(std::string_view text) {
    std::vector<std::string> addresses;
    if (text.find('<') != std::string_view::npos) {
        for (std::size_t open = text.find('<'); open != std::string_view::npos; open = text.find('<', open)) {
            const std::size_t close = text.find('>', open + 1);
            const std::string_view address =
                text.substr(open + 1, close == std::string_view::npos ? std::string_view::npos : close - open - 1);
            if (address.empty()) {
                return std::nullopt;
            }
            addresses.emplace_back(address);
            if (close == std::string_view::npos) {
                break;
            }
            open = close + 1;
        }
    } else if (text.find(';') != std::string_view::npos) {
        std::size_t start = 0;
        while (start <= text.size()) {
            const std::size_t end = std::min(text.find(';', start), text.size());
            if (end > start) {
                addresses.emplace_back(text.substr(start, end - start));
            }
            start = end + 1;
        }
    } else if (!text.empty()) {
        addresses.emplace_back(text);
    }
    if (addresses.empty()) {
        return std::nullopt;
    }
    return addresses;
}

SmtpSocket connectTo(std::string_view host, int port) {
    if (port <= 0 || port > 65535) {
        return {};
    }
    const std::optional<in_addr> address = serverAddress(host);
    if (!address) {
        return {};
    }
    SmtpSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    if (!socket.valid()) {
        return {};
    }
    sockaddr_in peer{};
    peer.sin_family = AF_INET;
    peer.sin_port = htons(static_cast<std::uint16_t>(port));
    peer.sin_addr = *address;
    setConnectTimeout(socket.fd());
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&peer), sizeof peer) != 0) {
        return {};
    }
    return socket;
}

// A 535 answer is the server refusing the credentials; anything else unexpected is a broken
// session, as before.
LoginFailure failureOf(std::string_view reply) {
    return reply.starts_with("535") ? LoginFailure::Refused : LoginFailure::None;
}

// The prompts are base64 of "Username:"/"User Name" and "Password:", hence VXN and UGF.
bool loginWithLogin(SmtpSocket& socket, std::string_view user, std::string_view password, LoginFailure& failure) {
    std::string reply;
    const bool loggedIn = sendCommand(socket, "AUTH LOGIN", "334 VXN", &reply) &&
                          sendCommand(socket, base64Encode(user), "334 UGF", &reply) &&
                          sendCommand(socket, base64Encode(password), "235", &reply);
    failure = loggedIn ? LoginFailure::None : failureOf(reply);
    return loggedIn;
}

bool loginWithPlain(SmtpSocket& socket, std::string_view user, std::string_view password, LoginFailure& failure) {
    std::string credentials(1, '\0');
    credentials += user;
    credentials += '\0';
    credentials += password;
    std::string reply;
    const bool loggedIn = sendCommand(socket, "AUTH PLAIN " + base64Encode(credentials), "235", &reply);
    failure = loggedIn ? LoginFailure::None : failureOf(reply);
    return loggedIn;
}

// The login with the mechanism the EHLO reply `extensions` allows; none is tried without one.
bool logIn(SmtpSocket& socket, std::string_view extensions, std::string_view user, std::string_view password,
           LoginFailure* failure) {
    LoginFailure result = LoginFailure::NoMechanism;
    const AuthMechanism mechanism = chooseAuthMechanism(extensions);
    const bool loggedIn = mechanism == AuthMechanism::Login   ? loginWithLogin(socket, user, password, result)
                          : mechanism == AuthMechanism::Plain ? loginWithPlain(socket, user, password, result)
                                                              : false;
    if (failure != nullptr) {
        *failure = result;
    }
    return loggedIn;
}

} // namespace

SmtpSocket smtpConnect(std::string_view host, int port, int mailPort) {
    SmtpSocket socket = connectTo(host, port);
    if (!socket.valid()) {
        return {};
    }
    if (port == 110 && readReply(socket, "+OK")) {
        return socket;
    }
    if ((port == mailPort || port == kLoginPort) && readReply(socket, "220")) {
        return socket;
    }
    return {};
}

SmtpSocket openPlainSession(std::string_view host, int mailPort) {
    SmtpSocket socket = smtpConnect(host, mailPort, mailPort);
    if (!socket.valid() || !sendCommand(socket, "HELO " + std::string(host), "250")) {
        return {};
    }
    return socket;
}

SmtpSocket openLoginSession(std::string_view host, std::string_view user, std::string_view password,
                            LoginFailure* login) {
    if (login != nullptr) {
        *login = LoginFailure::None;
    }
    SmtpSocket socket = smtpConnect(host, kLoginPort, kLoginPort);
    std::string extensions;
    if (!socket.valid() || !sendCommand(socket, "EHLO HOST", "250", nullptr, &extensions) ||
        !logIn(socket, extensions, user, password, login)) {
        return {};
    }
    return socket;
}

SmtpSocket openSecureSession(std::string_view host, int port, MailSecurity security, std::string_view user,
                             std::string_view password, TlsFailure* failure, LoginFailure* login) {
    *failure = TlsFailure::None;
    if (login != nullptr) {
        *login = LoginFailure::None;
    }
    SmtpSocket socket = connectTo(host, port);
    if (!socket.valid()) {
        return {};
    }
    if (security == MailSecurity::StartTls) {
        if (!readReply(socket, "220") || !sendCommand(socket, "EHLO HOST", "250")) {
            return {};
        }
        // A server that will not start TLS gets no password in the clear instead.
        if (!sendCommand(socket, "STARTTLS", "220")) {
            *failure = TlsFailure::Handshake;
            return {};
        }
    }
    *failure = socket.startTls(TlsContext(), host);
    if (*failure != TlsFailure::None) {
        return {};
    }
    // The plain greeting and EHLO reply came from before TLS: nothing of them is trusted now.
    std::string extensions;
    if ((security == MailSecurity::Tls && !readReply(socket, "220")) ||
        !sendCommand(socket, "EHLO HOST", "250", nullptr, &extensions)) {
        return {};
    }
    if ((!user.empty() || !password.empty()) && !logIn(socket, extensions, user, password, login)) {
        return {};
    }
    return socket;
}

AuthMechanism chooseAuthMechanism(std::string_view ehloReply) {
    bool plain = false;
    while (!ehloReply.empty()) {
        const std::size_t lf = ehloReply.find('\n');
        std::string_view line = ehloReply.substr(0, lf);
        ehloReply = lf == std::string_view::npos ? std::string_view() : ehloReply.substr(lf + 1);
        // "250-AUTH LOGIN PLAIN", and the "AUTH=LOGIN" of older servers.
        if (line.size() < 9 || !equalsIgnoringCase(line.substr(4, 4), "AUTH") || (line[8] != ' ' && line[8] != '=')) {
            continue;
        }
        line.remove_prefix(9);
        while (!line.empty()) {
            const std::size_t space = line.find(' ');
            const std::string_view name = line.substr(0, space);
            if (equalsIgnoringCase(name, "LOGIN")) {
                return AuthMechanism::Login;
            }
            plain = plain || equalsIgnoringCase(name, "PLAIN");
            line = space == std::string_view::npos ? std::string_view() : line.substr(space + 1);
        }
    }
    return plain ? AuthMechanism::Plain : AuthMechanism::None;
}

bool sendCommand(SmtpSocket& socket, std::string_view command, std::string_view expected, std::string* replyText,
                 std::string* wholeReply) {
    if (replyText != nullptr) {
        replyText->clear();
    }
    if (wholeReply != nullptr) {
        wholeReply->clear();
    }
    // No answer can come to a command that did not go out; waiting for one would only stall.
    if (!socket.sendAll(formatLine("", command))) {
        return false;
    }
    return readReply(socket, expected, replyText, wholeReply);
}

bool readReply(SmtpSocket& socket, std::string_view expected, std::string* replyText, std::string* wholeReply) {
    ReplyReader reader;
    const Deadline deadline = std::chrono::steady_clock::now() + kReplyTimeout;
    char piece[kReplyLimit];
    while (!reader.complete()) {
        const long received = socket.receive(piece, sizeof piece, deadline);
        if (received <= 0) {
            break;
        }
        reader.feed(std::string_view(piece, static_cast<std::size_t>(received)));
    }
    if (replyText != nullptr) {
        *replyText = reader.text();
    }
    if (wholeReply != nullptr) {
        *wholeReply = reader.wholeText();
    }
    return reader.answers(expected);
}

bool sendEnvelope(SmtpSocket& socket, std::string& sender, std::string& recipient, std::string& subject) {
    removeControlCharacters(sender);
    removeControlCharacters(recipient);
    removeControlCharacters(subject);
    // Both texts are checked before anything goes out: a bad recipient list sends no MAIL FROM.
    const std::optional<std::string> from = senderAddress(sender);
    const std::optional<std::vector<std::string>> to = recipientAddresses(recipient);
    if (!from || !to || !sendCommand(socket, "MAIL FROM: " + *from, "250")) {
        return false;
    }
    for (const std::string& address : *to) {
        if (!sendCommand(socket, "RCPT TO: " + address, "250")) {
            return false;
        }
    }
    return sendCommand(socket, "DATA", "354");
}

void sendDataLine(SmtpSocket& socket, std::string_view line) {
    socket.sendAll(formatLine(line.starts_with('.') ? "." : "", line));
}

void closeSession(SmtpSocket& socket) {
    if (socket.valid()) {
        sendCommand(socket, "QUIT", "221");
        socket.close();
    }
}

} // namespace sorpex
