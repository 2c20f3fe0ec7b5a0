#include "mail/report_mail.h"

#include "base/cp932.h"
#include "base/input_file.h"
#include "base/interaction.h"
#include "mail/base64.h"
#include "mail/jis_text.h"
#include "mail/smtp_client.h"
#include "settings/app_settings.h"

namespace sorpex {
namespace {

// 57 bytes give one base64 line of 76 characters.
constexpr std::size_t kAttachmentPiece = 57;
constexpr std::size_t kFileTitleLimit = 255;

// The file's name without its folder as a header value. The path is the file system's; the
// name goes as CP932 text, cut as the Windows version cuts it, when CP932 can hold it.
std::string encodedFileTitle(std::string_view path) {
    const std::size_t slash = path.rfind('/');
    const std::string_view name = slash == std::string_view::npos ? path : path.substr(slash + 1);
    bool held = true;
    const std::string text = cp932::fromUtf8(name, &held);
    return held ? encodeHeaderText(cp932::truncate(text, kFileTitleLimit)) : encodeUtf8HeaderText(name);
}

void sendBody(SmtpSocket& socket, std::string_view body) {
    while (!body.empty()) {
        const std::size_t lf = body.find('\n');
        std::string_view line = body.substr(0, lf);
        if (line.ends_with('\r')) {
            line.remove_suffix(1);
        }
        for (const std::string& jisLine : sjisToJisLines(line, kBodyLineLimit)) {
            sendDataLine(socket, jisLine);
        }
        if (lf == std::string_view::npos) {
            break;
        }
        body.remove_prefix(lf + 1);
    }
}

// A body that ISO-2022-JP cannot carry goes whole as UTF-8, its line breaks as CR LF, in base64
// lines of 76 characters.
void sendUtf8Body(SmtpSocket& socket, std::string_view body) {
    std::string text;
    for (char c : cp932::toUtf8(body)) {
        if (c == '\n' && (text.empty() || text.back() != '\r')) {
            text += '\r';
        }
        text += c;
    }
    for (std::size_t pos = 0; pos < text.size(); pos += kAttachmentPiece) {
        sendDataLine(socket, base64Encode(std::string_view(text).substr(pos, kAttachmentPiece)));
    }
}

ReportMailResult resultOf(TlsFailure failure) {
    switch (failure) {
    case TlsFailure::Handshake:
        return ReportMailResult::TlsFailed;
    case TlsFailure::NameMismatch:
        return ReportMailResult::CertificateNameMismatch;
    case TlsFailure::Expired:
        return ReportMailResult::CertificateExpired;
    case TlsFailure::Untrusted:
        return ReportMailResult::CertificateUntrusted;
    case TlsFailure::None:
        break;
    }
    return ReportMailResult::CannotConnect;
}

std::string boundaryLine(std::string_view tail = "") {
    std::string line = "--";
    line += kMailBoundary;
    line += tail;
    return line;
}

} // namespace

void sendAttachmentPart(SmtpSocket& socket, std::string_view path) {
    InputFile file{std::string(path)};
    if (!file.isOpen()) {
        return;
    }
    const std::string title = encodedFileTitle(path);
    sendDataLine(socket, "");
    sendDataLine(socket, boundaryLine());
    sendDataLine(socket, "Content-Type: application/octet-stream;");
    sendDataLine(socket, "\tname=\"" + title + "\"");
    sendDataLine(socket, "Content-Transfer-Encoding: base64");
    sendDataLine(socket, "Content-Disposition: attachment;");
    sendDataLine(socket, "\tfilename=\"" + title + "\"");
    sendDataLine(socket, "");
    char piece[kAttachmentPiece];
    while (const std::size_t got = file.readFully(piece, sizeof piece)) {
        sendDataLine(socket, base64Encode(std::string_view(piece, got)));
        if (socket.broken()) {
            break; // the server is gone; reading the rest of the file would be for nothing
        }
    }
}

std::vector<std::string> messageHeaderLines(std::string_view sender, std::string_view recipient,
                                            std::string_view subject, const MailStamp& stamp) {
    std::vector<std::string> lines;
    for (const auto& [name, value] : {std::pair<std::string_view, std::string>{"From", encodeHeaderText(sender)},
                                      {"To", recipientListValue(recipient)},
                                      {"Subject", encodeHeaderText(subject)},
                                      {"Date", stamp.date},
                                      {"Message-ID", stamp.messageId}}) {
        for (std::string& line : foldHeaderField(name, value)) {
            lines.push_back(std::move(line));
        }
    }
    return lines;
}

bool sendMessageContent(SmtpSocket& socket, std::string_view sender, std::string_view recipient,
                        std::string_view subject, std::string_view body, const std::vector<std::string>& attachments,
                        const MailStamp& stamp) {
    for (const std::string& line : messageHeaderLines(sender, recipient, subject, stamp)) {
        sendDataLine(socket, line);
    }
    const bool multipart = !attachments.empty();
    if (multipart) {
        sendDataLine(socket, "MIME-Version: 1.0");
        sendDataLine(socket, "Content-Type: multipart/mixed;");
        sendDataLine(socket, "\tboundary=\"" + std::string(kMailBoundary) + "\"");
        sendDataLine(socket, "");
        sendDataLine(socket, "This is a multi-part message in MIME format.");
        sendDataLine(socket, "");
        sendDataLine(socket, boundaryLine());
    }
    const bool jisBody = jisCarries(body);
    if (!jisBody && !multipart) {
        sendDataLine(socket, "MIME-Version: 1.0");
    }
    sendDataLine(socket, "Content-Type: text/plain;");
    sendDataLine(socket, jisBody ? "\tcharset=\"iso-2022-jp\"" : "\tcharset=\"utf-8\"");
    sendDataLine(socket, jisBody ? "Content-Transfer-Encoding: 7bit" : "Content-Transfer-Encoding: base64");
    sendDataLine(socket, "X-Mailer: vexmo library");
    sendDataLine(socket, "");
    if (jisBody) {
        sendBody(socket, body);
    } else {
        sendUtf8Body(socket, body);
    }
    if (multipart) {
        for (const std::string& path : attachments) {
            if (!path.empty()) {
                sendAttachmentPart(socket, path);
            }
        }
        sendDataLine(socket, "");
        sendDataLine(socket, boundaryLine("--"));
    }
    return sendCommand(socket, ".", "250");
}

ReportMailJob makeReportMailJob(const AppSettings& settings, std::string_view attachmentPath, const Clock& clock) {
    ReportMailJob job;
    job.enabled = settings.mailEnabled;
    job.server = cp932::truncate(settings.mailServer, kMailTextLimit);
    job.port = settings.mailPort;
    job.sender = cp932::truncate(settings.mailFrom, kMailTextLimit);
    job.recipients = cp932::truncate(settings.mailTo, kMailTextLimit);
    job.subject = cp932::truncate(settings.mailSubject, kMailTextLimit);
    job.body = cp932::truncate(settings.mailBody, kMailBodyLimit);
    job.user = cp932::truncate(settings.mailUser, kLoginLimit);
    job.password = cp932::truncate(settings.mailPassword, kLoginLimit);
    job.security = settings.mailSecurity;
    // Not cut: a save folder of 259 bytes plus the file name is longer than any fixed copy, and a
    // cut path would silently lose the report.
    job.attachmentPath = attachmentPath;
    job.settingsError = settings.mailSettingsError;
    job.stamp = makeMailStamp(clock);
    return job;
}

ReportMailResult deliverReportMail(ReportMailJob job) {
    if (!job.enabled) {
        return ReportMailResult::NotEnabled;
    }
    if (!job.settingsError.empty()) {
        return ReportMailResult::SettingsRefused;
    }
    TlsFailure tlsFailure = TlsFailure::None;
    LoginFailure loginFailure = LoginFailure::None;
    SmtpSocket socket;
    if (job.security != MailSecurity::None) {
        socket =
            openSecureSession(job.server, job.port, job.security, job.user, job.password, &tlsFailure, &loginFailure);
    } else if (job.port == kLoginPort) {
        socket = openLoginSession(job.server, job.user, job.password, &loginFailure);
    } else {
        socket = openPlainSession(job.server, job.port);
    }
    if (!socket.valid()) {
        return loginFailure == LoginFailure::Refused       ? ReportMailResult::LoginRefused
               : loginFailure == LoginFailure::NoMechanism ? ReportMailResult::NoLoginMechanism
                                                           : resultOf(tlsFailure);
    }
    // One path, never split at commas: a folder name may hold one.
    std::vector<std::string> attachments;
    for (const std::string* path : {&job.attachmentPath, &job.usagePath}) {
        if (!path->empty()) {
            attachments.push_back(*path);
        }
    }
    const bool sent =
        sendEnvelope(socket, job.sender, job.recipients, job.subject) &&
        sendMessageContent(socket, job.sender, job.recipients, job.subject, job.body, attachments, job.stamp);
    // QUIT goes before the user sees the failure: a server should not wait on a message box.
    closeSession(socket);
    return sent ? ReportMailResult::Sent : ReportMailResult::Failed;
}

std::string reportMailMessage(ReportMailResult result, std::string_view settingsError) {
    switch (result) {
    case ReportMailResult::CannotConnect:
        return cp932::fromUtf8("送信サーバに接続できません。");
    case ReportMailResult::Failed:
        return cp932::fromUtf8("送信に失敗しました。");
    case ReportMailResult::TlsFailed:
        return cp932::fromUtf8("送信サーバと暗号化通信を開始できません。");
    case ReportMailResult::CertificateNameMismatch:
        return cp932::fromUtf8("送信サーバの証明書がサーバ名と一致しません。");
    case ReportMailResult::CertificateExpired:
        return cp932::fromUtf8("送信サーバの証明書が有効期間外です。");
    case ReportMailResult::CertificateUntrusted:
        return cp932::fromUtf8("送信サーバの証明書を信頼できません。");
    case ReportMailResult::LoginRefused:
        return cp932::fromUtf8("送信サーバがユーザー名またはパスワードを受け付けません。");
    case ReportMailResult::NoLoginMechanism:
        return cp932::fromUtf8("送信サーバに使用できるログイン方式がありません。");
    case ReportMailResult::SettingsRefused:
        return std::string(settingsError);
    case ReportMailResult::NotEnabled:
    case ReportMailResult::Sent:
        break;
    }
    return {};
}

void showReportMailResult(ReportMailResult result, UserInteraction& ui, std::string_view settingsError) {
    const std::string message = reportMailMessage(result, settingsError);
    if (!message.empty()) {
        ui.showMessage(message, MessageIcon::Warning, MessageButtons::Ok);
    }
}

ReportMailResult sendReportMail(const AppSettings& settings, std::string_view attachmentPath, UserInteraction& ui) {
    const ReportMailResult result = deliverReportMail(makeReportMailJob(settings, attachmentPath));
    showReportMailResult(result, ui, settings.mailSettingsError);
    return result;
}

} // namespace sorpex
