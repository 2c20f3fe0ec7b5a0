#include "mail/base64.h"
#include "mail/report_mail.h"
#include "mail/smtp_client.h"
#include "mail/tls_channel.h"
#include "tests/mail/mail_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/smtp_peer.h"

#include <gtest/gtest.h>

#include <arpa/inet.h>
#include <cstdlib>
#include <netinet/in.h>
#include <stdexcept>
#include <sys/socket.h>
#include <unistd.h>

namespace sorpex {
namespace {

using test::ScriptedInteraction;
using test::SmtpPeer;
using test::TempDir;

void openssl(std::vector<std::string> args) {
    args.insert(args.begin(), "openssl");
    if (const test::RunResult result = test::runProgram(args); result.exitCode != 0) {
        throw std::runtime_error("openssl failed: " + result.output);
    }
}

// An RSA authority trusted through SSL_CERT_FILE while it lives (RSA, so that a server can also
// offer suites without ephemeral keys), and server certificates for mail.test.
class RsaAuthority {
public:
    RsaAuthority() {
        openssl({"req", "-x509", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=SORPEX test rsa", "-days", "30",
                 "-keyout", m_dir.file("ca.key"), "-out", m_dir.file("ca.pem")});
        setenv("SSL_CERT_FILE", m_dir.file("ca.pem").c_str(), 1);
    }
    ~RsaAuthority() { unsetenv("SSL_CERT_FILE"); }

    // Peer options for TLS from the first byte with a certificate whose subject is CN=mail.test
    // and whose subjectAltName is `altNames` ("" for none).
    std::vector<std::string> server(const std::string& name, const std::string& altNames) {
        const std::string base = m_dir.file(name);
        test::writeFileBytes(base + ".ext", (altNames.empty() ? "" : "subjectAltName=" + altNames + "\n") +
                                                "basicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n");
        openssl({"req", "-new", "-newkey", "rsa:2048", "-nodes", "-subj", "/CN=mail.test", "-keyout", base + ".key",
                 "-out", base + ".csr"});
        openssl({"x509", "-req", "-in", base + ".csr", "-CA", m_dir.file("ca.pem"), "-CAkey", m_dir.file("ca.key"),
                 "-set_serial", std::to_string(++m_serial), "-days", "30", "-extfile", base + ".ext", "-out",
                 base + ".pem"});
        return {"--tls", "implicit", "--tls-cert", base + ".pem", "--tls-key", base + ".key"};
    }

private:
    TempDir m_dir;
    int m_serial = 0;
};

// The handshake with `peer` as a client that was told the server is `host`.
TlsFailure handshake(const SmtpPeer& peer, const std::string& host) {
    SmtpSocket socket(::socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(peer.port()));
    inet_pton(AF_INET, peer.address().c_str(), &address.sin_addr);
    if (::connect(socket.fd(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        throw std::runtime_error("no connection to " + peer.address());
    }
    TlsFailure failure = TlsFailure::None;
    TlsChannel::connect(TlsContext(), socket.fd(), host, &failure);
    return failure;
}

TEST(MailTls, OnlySubjectAltNameNamesTheServerAndTls12NeedsForwardSecrecy) {
    RsaAuthority authority;
    SmtpPeer named("127.0.14.10", 4465, authority.server("named", "DNS:mail.test,IP:127.0.14.10"));
    SmtpPeer commonNameOnly("127.0.14.11", 4465, authority.server("cn-only", ""));
    EXPECT_EQ(handshake(named, "mail.test"), TlsFailure::None) << named.log();
    EXPECT_EQ(handshake(commonNameOnly, "mail.test"), TlsFailure::NameMismatch) << commonNameOnly.log();

    // TLS 1.2 servers: with ephemeral keys the mail goes, with RSA key transport alone it does not.
    std::vector<std::string> forwardSecret = authority.server("fs", "IP:127.0.14.12");
    forwardSecret.insert(forwardSecret.end(), {"--tls12-ciphers", "ECDHE-RSA-AES128-GCM-SHA256"});
    std::vector<std::string> rsaOnly = authority.server("rsa", "IP:127.0.14.13");
    rsaOnly.insert(rsaOnly.end(), {"--tls12-ciphers", "AES128-GCM-SHA256:AES256-GCM-SHA384"});
    for (const auto& [address, options, expected] : {std::tuple{"127.0.14.12", forwardSecret, ReportMailResult::Sent},
                                                     std::tuple{"127.0.14.13", rsaOnly, ReportMailResult::TlsFailed}}) {
        SmtpPeer peer(address, 4465, options);
        AppSettings settings = test::mailSettings(address, 4465);
        settings.mailSecurity = MailSecurity::Tls;
        ScriptedInteraction ui;
        EXPECT_EQ(sendReportMail(settings, "", ui), expected) << address << "\n" << peer.log();
        EXPECT_EQ(peer.messageCount(), expected == ReportMailResult::Sent ? 1 : 0);
    }
}

TEST(MailLogin, RefusedCredentialsAndNoUsableMechanismHaveTheirOwnMessages) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "port 587 needs root";
    }
    const std::vector<
        std::tuple<std::string, std::vector<std::string>, ReportMailResult, std::string, std::vector<std::string>>>
        cases = {
            {"127.0.14.20",
             {"--refuse-login"},
             ReportMailResult::LoginRefused,
             "送信サーバがユーザー名またはパスワードを受け付けません。",
             {"EHLO HOST", "AUTH LOGIN", base64Encode("admin"), base64Encode("wrong")}},
            {"127.0.14.21",
             {"--auth", "cram-only", "--exclude-auth", "LOGIN", "--exclude-auth", "PLAIN"},
             ReportMailResult::NoLoginMechanism,
             "送信サーバに使用できるログイン方式がありません。",
             {"EHLO HOST"}},
        };
    for (const auto& [address, options, result, message, commands] : cases) {
        SmtpPeer peer(address, kLoginPort, options);
        AppSettings settings = test::mailSettings(address, kLoginPort);
        settings.mailUser = "admin";
        settings.mailPassword = "wrong";
        ScriptedInteraction ui;
        EXPECT_EQ(sendReportMail(settings, "", ui), result) << address;
        EXPECT_EQ(ui.texts(), std::vector<std::string>{message});
        EXPECT_EQ(peer.commands(), commands) << peer.log();
    }
}

TEST(MailSettings, AValueThatWouldLowerSecuritySendsNothing) {
    SmtpPeer peer("127.0.14.30", 2525);
    AppSettings settings = test::mailSettings(peer.address(), peer.port());
    settings.mailSettingsError = test::sjis("設定値が正しくありません。");
    ScriptedInteraction ui;
    EXPECT_EQ(sendReportMail(settings, "", ui), ReportMailResult::SettingsRefused);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{"設定値が正しくありません。"});
    EXPECT_TRUE(peer.commands().empty());
}

} // namespace
} // namespace sorpex
