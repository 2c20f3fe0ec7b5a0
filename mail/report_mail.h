#pragma once

#include "base/clock.h"
#include "mail/mail_header.h"
#include "mail/smtp_socket.h"
#include "settings/app_settings.h"

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace sorpex {

class UserInteraction;

inline constexpr std::string_view kMailBoundary = "----- vexmo boundary -----";
// Converted body lines longer than this are carried on to further lines, so that no line passes
// the 998 characters a mail line may have (one more for a doubled leading dot).
inline constexpr std::size_t kBodyLineLimit = 997;

// From, To, Subject, Date and Message-ID, folded, as lines without CR LF.
std::vector<std::string> messageHeaderLines(std::string_view sender, std::string_view recipient,
                                            std::string_view subject, const MailStamp& stamp);

// The message after DATA: header, the body in ISO-2022-JP and, when `attachments` is not empty,
// the multipart form with one base64 part per non-empty path (in the file system's own bytes).
// A header value or a body that ISO-2022-JP cannot carry goes as UTF-8 instead. Ends with "."
// and gives whether the server answered it with "250".
bool sendMessageContent(SmtpSocket& socket, std::string_view sender, std::string_view recipient,
                        std::string_view subject, std::string_view body, const std::vector<std::string>& attachments,
                        const MailStamp& stamp);

// One attachment part, streamed from the file in 57-byte pieces; nothing when the file cannot be
// opened as a regular file.
void sendAttachmentPart(SmtpSocket& socket, std::string_view path);

enum class ReportMailResult {
    NotEnabled,
    Sent,
    CannotConnect,
    Failed,
    TlsFailed,               // TLS could not be started: nothing was sent
    CertificateNameMismatch, // the server's certificate was refused: nothing was sent
    CertificateExpired,
    CertificateUntrusted,
    LoginRefused,     // the server refused the user name or password
    NoLoginMechanism, // the server offers neither LOGIN nor PLAIN: no password was sent
    SettingsRefused,  // a settings value would lower security: nothing was sent
};

// What one report mail needs, copied from the settings so that the sending can run on another
// thread while the settings record stays with the user-interface thread.
struct ReportMailJob {
    bool enabled = false;
    std::string server;
    int port = 25;
    std::string sender;
    std::string recipients;
    std::string subject;
    std::string body;
    std::string user;
    std::string password;
    MailSecurity security = MailSecurity::None;
    std::string attachmentPath; // in the file system's own bytes; empty: no attachment
    std::string usagePath;      // a second attachment, the usage table (Usage=1); empty: none
    std::string settingsError;  // mailSettingsError: when set, nothing is sent
    MailStamp stamp;
};

// The stamp's Date is the time of this call, as `clock` shows it.
ReportMailJob makeReportMailJob(const AppSettings& settings, std::string_view attachmentPath,
                                const Clock& clock = Clock());

// Sends the report mail and says how it went; shows nothing. A failed mail is ended with QUIT
// before this returns. Safe on any thread.
ReportMailResult deliverReportMail(ReportMailJob job);

// The message for a result (CP932), empty for NotEnabled and Sent; for SettingsRefused the
// settings' own message.
std::string reportMailMessage(ReportMailResult result, std::string_view settingsError = {});

// Shows the message of a failed result (OK, warning icon); nothing otherwise.
void showReportMailResult(ReportMailResult result, UserInteraction& ui, std::string_view settingsError = {});

// The three above in a row, on the calling thread.
ReportMailResult sendReportMail(const AppSettings& settings, std::string_view attachmentPath, UserInteraction& ui);

} // namespace sorpex
