#pragma once

#include "mail/smtp_socket.h"
#include "settings/app_settings.h"

#include <chrono>
#include <cstddef>
#include <string>
#include <string_view>

// An SMTP client, plain or over TLS: one session per mail, every step a function of the
// session's socket and every wait bounded. Failures are results; nothing is shown from here.
namespace sorpex {

// Each reply must be complete within this time, else it counts as a wrong reply.
inline constexpr std::chrono::seconds kReplyTimeout{5};
// A command or data line and its CR LF fit 1024 bytes with a terminator; longer text is cut.
inline constexpr std::size_t kLineTextLimit = 1021;

// Connects to `host` (a dotted IPv4 text is taken as it is, anything else is resolved) on `port`
// and checks the greeting: "+OK" on port 110; "220" when `port` is `mailPort` or 587. An
// invalid socket when any step fails.
SmtpSocket smtpConnect(std::string_view host, int port, int mailPort);

// A session on `mailPort` opened with "HELO host".
SmtpSocket openPlainSession(std::string_view host, int mailPort);

// Why a login was not made: the server refused the user name or password (535), or it offers no
// mechanism this client speaks (nothing of the credentials was sent then).
enum class LoginFailure { None, Refused, NoMechanism };

// A session on port 587 opened with "EHLO HOST" and AUTH LOGIN (PLAIN when the server offers only
// that) with the user name and password.
SmtpSocket openLoginSession(std::string_view host, std::string_view user, std::string_view password,
                            LoginFailure* login = nullptr);

// A session over TLS on `port`: with StartTls "EHLO HOST" and STARTTLS on the plain connection,
// with Tls the handshake first; then the greeting and "EHLO HOST" over TLS, and, when a user
// name or password is set, the login. An invalid socket when any step fails; `failure` says
// whether TLS was the cause (None: the connection or a reply, as for the plain sessions), and
// `login` whether the login was.
SmtpSocket openSecureSession(std::string_view host, int port, MailSecurity security, std::string_view user,
                             std::string_view password, TlsFailure* failure, LoginFailure* login = nullptr);

enum class AuthMechanism { Login, Plain, None };

// LOGIN, unless the server's EHLO reply offers PLAIN but not LOGIN; None when it offers neither.
AuthMechanism chooseAuthMechanism(std::string_view ehloReply);

// Sends one command line and reads its reply; true when the reply begins with `expected`.
bool sendCommand(SmtpSocket& socket, std::string_view command, std::string_view expected,
                 std::string* replyText = nullptr, std::string* wholeReply = nullptr);

// Waits at most kReplyTimeout for one whole reply; its text is the first line without CR and
// zero bytes, LF kept. True when it begins with `expected`.
bool readReply(SmtpSocket& socket, std::string_view expected, std::string* replyText = nullptr,
               std::string* wholeReply = nullptr);

// Removes control characters (bytes below 32) from the three texts in place, then sends
// MAIL FROM, every RCPT TO and DATA. The sender's address is the text in angle brackets, or the
// whole text; recipients are the texts in angle brackets, or the pieces between ";", or the
// whole text. False on the first failed step; the session stays open for QUIT.
bool sendEnvelope(SmtpSocket& socket, std::string& sender, std::string& recipient, std::string& subject);

// One line of the message after DATA, a leading "." doubled. No reply is read.
void sendDataLine(SmtpSocket& socket, std::string_view line);

// QUIT, whatever the answer, and close.
void closeSession(SmtpSocket& socket);

} // namespace sorpex
