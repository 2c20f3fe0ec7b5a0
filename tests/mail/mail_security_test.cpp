#include "mail/base64.h"
#include "mail/report_mail.h"
#include "mail/smtp_client.h"
#include "tests/mail/mail_test_support.h"
#include "tests/support/child_process.h"
#include "tests/support/scripted_interaction.h"
#include "tests/support/smtp_peer.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <unistd.h>

namespace sorpex {
namespace {

using test::ScriptedInteraction;
using test::SmtpPeer;

void openssl(const std::string& args) {
    ASSERT_EQ(test::runProgram({"/bin/sh", "-c", "openssl " + args + " 2>&1"}).exitCode, 0) << args;
}

TEST(MailTls, OnlySubjectAltNameNamesTheServerAndTls12NeedsForwardSecrecy) {
    // RSA keys, so that a server can offer suites without ephemeral keys; subject CN=mail.test.
    test::TempDir dir;
    const std::string ca = dir.file("ca");
    openssl("req -x509 -newkey rsa:2048 -nodes -subj /CN=ca -days 9 -keyout " + ca + ".key -out " + ca + ".pem");
    setenv("SSL_CERT_FILE", (ca + ".pem").c_str(), 1);
    auto server = [&](const std::string& name, const std::string& altNames, const char* tls) {
        const std::string f = dir.file(name);
        test::writeFileBytes(f + ".ext", altNames.empty() ? "" : "subjectAltName=" + altNames + "\n");
        openssl("req -new -newkey rsa:2048 -nodes -subj /CN=mail.test -keyout " + f + ".key -out " + f + ".csr");
        openssl("x509 -req -in " + f + ".csr -CA " + ca + ".pem -CAkey " + ca + ".key -set_serial " +
                std::to_string(name.size()) + " -days 9 -extfile " + f + ".ext -out " + f + ".pem");
        return std::vector<std::string>{"--tls", tls, "--tls-cert", f + ".pem", "--tls-key", f + ".key"};
    };
    // The handshake after STARTTLS with the server taken to be mail.test.
    for (const auto& [address, altNames, expected] : {std::tuple{"127.0.14.10", "DNS:mail.test", TlsFailure::None},
                                                      std::tuple{"127.0.14.11", "", TlsFailure::NameMismatch}}) {
        SmtpPeer peer(address, 2525, server(address, altNames, "starttls"));
        SmtpSocket socket = smtpConnect(address, 2525, 2525);
        ASSERT_TRUE(sendCommand(socket, "EHLO HOST", "250") && sendCommand(socket, "STARTTLS", "220"));
        EXPECT_EQ(socket.startTls(TlsContext(), "mail.test"), expected) << address;
    }
    // TLS 1.2 with ephemeral keys carries the mail, RSA key transport alone does not.
    for (const auto& [address, suites, expected] :
         {std::tuple{"127.0.14.12", "ECDHE-RSA-AES128-GCM-SHA256", ReportMailResult::Sent},
          std::tuple{"127.0.14.13", "AES128-GCM-SHA256:AES256-GCM-SHA384", ReportMailResult::TlsFailed}}) {
        std::vector<std::string> options = server(std::string(address) + "s", std::string("IP:") + address, "implicit");
        options.insert(options.end(), {"--tls12-ciphers", suites});
        SmtpPeer peer(address, 4465, options);
        AppSettings settings = test::mailSettings(address, 4465);
        settings.mailSecurity = MailSecurity::Tls;
        ScriptedInteraction ui;
        EXPECT_EQ(sendReportMail(settings, "", ui), expected) << address << peer.log();
    }
    unsetenv("SSL_CERT_FILE");
}

TEST(MailLogin, RefusedCredentialsAndNoUsableMechanismHaveTheirOwnMessages) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "port 587 needs root";
    }
    using Strings = std::vector<std::string>;
    for (const auto& [address, options, message, commands] :
         {std::tuple{"127.0.14.20", Strings{"--refuse-login"},
                     "送信サーバがユーザー名またはパスワードを受け付けません。",
                     Strings{"EHLO HOST", "AUTH LOGIN", base64Encode("admin"), base64Encode("wrong")}},
          std::tuple{"127.0.14.21",
                     Strings{"--auth", "cram-only", "--exclude-auth", "LOGIN", "--exclude-auth", "PLAIN"},
                     "送信サーバに使用できるログイン方式がありません。", Strings{"EHLO HOST"}}}) {
        SmtpPeer peer(address, kLoginPort, options);
        AppSettings settings = test::mailSettings(address, kLoginPort);
        settings.mailUser = "admin";
        settings.mailPassword = "wrong";
        ScriptedInteraction ui;
        EXPECT_NE(sendReportMail(settings, "", ui), ReportMailResult::Sent);
        EXPECT_EQ(ui.texts(), Strings{message});
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
