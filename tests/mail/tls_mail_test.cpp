#include "base/cp932.h"
#include "base/unique_fd.h"
#include "mail/base64.h"
#include "mail/report_mail.h"
#include "mail/tls_channel.h"
#include "settings/app_settings.h"
#include "tests/support/child_process.h"
#include "tests/support/scripted_interaction.h"
#include "tests/mail/mail_test_support.h"
#include "tests/support/smtp_peer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <cstdlib>
#include <iostream>
#include <stdexcept>

namespace sorpex {
namespace {

using test::Clock;
using test::ScriptedInteraction;
using test::secondsSince;
using test::SmtpPeer;
using test::TempDir;
using Commands = std::vector<std::string>;

const std::string kPassword = cp932::fromUtf8("pa:ss 語");

// A certificate authority of the test's own, trusted through SSL_CERT_FILE while it lives, and a
// stranger that nobody trusts. Both issue server certificates for the peers.
class TestAuthorities {
public:
    TestAuthorities() {
        for (const char* name : {"ca", "stranger"}) {
            openssl({"req", "-x509", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-subj",
                     std::string("/CN=SORPEX test ") + name, "-days", "30", "-keyout", m_dir.file(name) + ".key",
                     "-out", m_dir.file(name) + ".pem"});
        }
        setenv("SSL_CERT_FILE", (m_dir.file("ca") + ".pem").c_str(), 1);
    }
    ~TestAuthorities() { unsetenv("SSL_CERT_FILE"); }

    // The peer options of a server speaking `tls` with a certificate for IP `address` (or for the
    // names in `names`, "DNS:..." entries) from `issuer`, valid from now for `days` days (-1:
    // expired yesterday).
    std::vector<std::string> server(const std::string& tls, const std::string& address, int days = 30,
                                    const std::string& issuer = "ca", const std::string& names = "") {
        const std::string name = m_dir.file(address + "-" + std::to_string(m_serial + 1));
        test::writeFileBytes(name + ".ext", "subjectAltName=" + (names.empty() ? "IP:" + address : names) +
                                                "\nbasicConstraints=CA:FALSE\nextendedKeyUsage=serverAuth\n");
        openssl({"req", "-new", "-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes", "-subj",
                 "/CN=" + address, "-keyout", name + ".key", "-out", name + ".csr"});
        openssl({"x509", "-req", "-in", name + ".csr", "-CA", m_dir.file(issuer) + ".pem", "-CAkey",
                 m_dir.file(issuer) + ".key", "-set_serial", std::to_string(++m_serial), "-days", std::to_string(days),
                 "-extfile", name + ".ext", "-out", name + ".pem"});
        return {"--tls", tls, "--tls-cert", name + ".pem", "--tls-key", name + ".key"};
    }

private:
    static void openssl(std::vector<std::string> args) {
        args.insert(args.begin(), "openssl");
        const test::RunResult result = test::runProgram(args);
        if (result.exitCode != 0) {
            throw std::runtime_error("openssl failed: " + result.output);
        }
    }

    TempDir m_dir;
    int m_serial = 0;
};

AppSettings settingsFor(const SmtpPeer& peer, MailSecurity security) {
    AppSettings settings = test::mailSettings(peer.address(), peer.port());
    settings.mailTo = "<admin@example.test>";
    settings.mailSecurity = security;
    settings.mailUser = "printer-admin";
    settings.mailPassword = kPassword;
    return settings;
}

bool sentMailFrom(const SmtpPeer& peer) {
    const Commands commands = peer.commands();
    return std::any_of(commands.begin(), commands.end(), [](const std::string& c) { return c.starts_with("MAIL"); });
}

class TlsMail : public testing::Test {
protected:
    static void SetUpTestSuite() { s_authorities = new TestAuthorities; }
    static void TearDownTestSuite() { delete s_authorities; }

    // Sends the report; the message shown (UTF-8, empty when none) and the seconds it took.
    std::pair<std::string, double> send(const SmtpPeer& peer, MailSecurity security, const std::string& file = "") {
        ScriptedInteraction ui;
        const auto start = Clock::now();
        sendReportMail(settingsFor(peer, security), file, ui);
        return {ui.texts().empty() ? std::string() : ui.texts().front(), secondsSince(start)};
    }

    static TestAuthorities* s_authorities;
};
TestAuthorities* TlsMail::s_authorities = nullptr;

TEST_F(TlsMail, StartTlsAndTlsFromTheFirstByteDeliverTheBytesOfPlainSmtp) {
    TempDir dir;
    const std::string csv = cp932::fromUtf8("ID,IPアドレス\r\n1,127.0.0.2\r\n") + std::string(300, 'x');
    test::writeFileBytes(dir.file("report.csv"), csv);
    SmtpPeer plain("127.0.5.40", 2525);
    SmtpPeer startTls("127.0.5.41", 2525, s_authorities->server("starttls", "127.0.5.41"));
    // This one offers PLAIN only, so PLAIN is what the client must take.
    std::vector<std::string> implicitOptions = s_authorities->server("implicit", "127.0.5.42");
    implicitOptions.insert(implicitOptions.end(), {"--exclude-auth", "LOGIN"});
    SmtpPeer implicit("127.0.5.42", 4465, implicitOptions);

    EXPECT_EQ(send(plain, MailSecurity::None, dir.file("report.csv")).first, "");
    EXPECT_EQ(send(startTls, MailSecurity::StartTls, dir.file("report.csv")).first, "") << startTls.log();
    EXPECT_EQ(send(implicit, MailSecurity::Tls, dir.file("report.csv")).first, "") << implicit.log();

    ASSERT_EQ(plain.messageCount(), 1);
    EXPECT_EQ(test::withStampMarked(startTls.message()), test::withStampMarked(plain.message()));
    EXPECT_EQ(test::withStampMarked(implicit.message()), test::withStampMarked(plain.message()));
    EXPECT_EQ(test::decodeMail(implicit.message()).attachments, std::vector<std::string>{csv});
    const Commands envelope = {"MAIL FROM: sorpex@example.test", "RCPT TO: admin@example.test", "DATA", ".", "QUIT"};
    Commands expected = {
        "EHLO HOST", "STARTTLS", "EHLO HOST", "AUTH LOGIN", base64Encode("printer-admin"), base64Encode(kPassword)};
    expected.insert(expected.end(), envelope.begin(), envelope.end());
    EXPECT_EQ(startTls.commands(), expected);
    expected = {"EHLO HOST", "AUTH PLAIN " + base64Encode(std::string(1, '\0') + "printer-admin" + '\0' + kPassword)};
    expected.insert(expected.end(), envelope.begin(), envelope.end());
    EXPECT_EQ(implicit.commands(), expected);
    EXPECT_EQ(implicit.file("login.txt"), "PLAIN\nprinter-admin\n" + kPassword + "\n");
}

TEST_F(TlsMail, CertificatesThatDoNotHoldAreRefusedBeforeAnythingIsSent) {
    SmtpPeer otherName("127.0.5.43", 2525, s_authorities->server("starttls", "127.0.5.99"));
    SmtpPeer expired("127.0.5.44", 2525, s_authorities->server("starttls", "127.0.5.44", -1));
    SmtpPeer stranger("127.0.5.45", 4465, s_authorities->server("implicit", "127.0.5.45", 30, "stranger"));
    SmtpPeer withoutTls("127.0.5.46", 2525);
    const std::vector<std::tuple<const SmtpPeer*, MailSecurity, std::string>> cases = {
        {&otherName, MailSecurity::StartTls, "送信サーバの証明書がサーバ名と一致しません。"},
        {&expired, MailSecurity::StartTls, "送信サーバの証明書が有効期間外です。"},
        {&stranger, MailSecurity::Tls, "送信サーバの証明書を信頼できません。"},
        {&withoutTls, MailSecurity::StartTls, "送信サーバと暗号化通信を開始できません。"},
    };
    for (const auto& [peer, security, message] : cases) {
        const auto [shown, seconds] = send(*peer, security);
        std::cout << peer->address() << ": " << seconds << " s\n";
        EXPECT_EQ(shown, message) << peer->address() << "\n" << peer->log();
        const Commands before = security == MailSecurity::Tls ? Commands() : Commands({"EHLO HOST", "STARTTLS"});
        EXPECT_EQ(peer->commands(), before);
        EXPECT_EQ(peer->messageCount(), 0);
    }
}

TEST_F(TlsMail, GarbageOrSilenceInsteadOfAHandshakeFailsWithinTheBound) {
    SmtpPeer garbage("127.0.5.47", 2525, {"--starttls-then", "garbage"});
    SmtpPeer stall("127.0.5.48", 2525, {"--starttls-then", "stall"});
    SmtpPeer silent("127.0.5.49", 4465, {"--silent"});
    for (const auto& [peer, security] :
         {std::pair{&garbage, MailSecurity::StartTls}, std::pair{&stall, MailSecurity::StartTls},
          std::pair{&silent, MailSecurity::Tls}}) {
        const auto [shown, seconds] = send(*peer, security);
        std::cout << peer->address() << ": " << seconds << " s\n";
        EXPECT_EQ(shown, "送信サーバと暗号化通信を開始できません。") << peer->address();
        EXPECT_LT(seconds, 10.0) << peer->address();
        EXPECT_FALSE(sentMailFrom(*peer));
    }
}

// A connection to the peer's address, whatever name the TLS layer is then told to expect.
UniqueFd connectedTo(const SmtpPeer& peer) {
    UniqueFd fd(socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0));
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(peer.port()));
    inet_pton(AF_INET, peer.address().c_str(), &address.sin_addr);
    if (connect(fd.get(), reinterpret_cast<const sockaddr*>(&address), sizeof address) != 0) {
        fd.reset();
    }
    return fd;
}

// No name is looked up: the socket goes to a loopback address and the TLS layer gets the name.
TEST_F(TlsMail, AServerGivenByNameMustBeNamedByADnsEntryOfItsCertificate) {
    SmtpPeer mail("127.0.18.1", 4465,
                  s_authorities->server("implicit", "127.0.18.1", 30, "ca", "DNS:mail.example.test"));
    SmtpPeer other("127.0.18.2", 4465,
                   s_authorities->server("implicit", "127.0.18.2", 30, "ca", "DNS:other.example.test"));
    SmtpPeer wildcard("127.0.18.3", 4465,
                      s_authorities->server("implicit", "127.0.18.3", 30, "ca", "DNS:*.example.test"));
    const std::vector<std::tuple<const SmtpPeer*, std::string, TlsFailure>> cases = {
        {&mail, "mail.example.test", TlsFailure::None},
        {&other, "mail.example.test", TlsFailure::NameMismatch},
        {&wildcard, "mail.example.test", TlsFailure::None},
        {&wildcard, "smtp.mail.example.test", TlsFailure::NameMismatch},
        {&mail, "127.0.18.1", TlsFailure::NameMismatch},
    };
    const TlsContext context;
    for (const auto& [peer, host, expected] : cases) {
        UniqueFd fd = connectedTo(*peer);
        ASSERT_TRUE(fd.valid()) << peer->address();
        TlsFailure failure = TlsFailure::Handshake;
        TlsChannel channel = TlsChannel::connect(context, fd.get(), host, &failure);
        EXPECT_EQ(failure, expected) << peer->address() << " as " << host << "\n" << peer->log();
        EXPECT_EQ(channel.active(), expected == TlsFailure::None);
        channel.shutdown();
    }
}

// A server may put a reply behind "220" in the same segment; a client that kept it would take it
// for the answer to its EHLO over TLS (here one offering PLAIN only, which the real one does not).
TEST_F(TlsMail, PlaintextBehindTheStartTlsReplyIsNeverTakenForAReplyOverTls) {
    std::vector<std::string> options = s_authorities->server("starttls", "127.0.18.4");
    options.push_back("--inject-after-starttls");
    SmtpPeer peer("127.0.18.4", 2525, options);
    const std::string shown = send(peer, MailSecurity::StartTls).first;
    const Commands commands = peer.commands();
    EXPECT_TRUE(std::none_of(commands.begin(), commands.end(),
                             [](const std::string& c) { return c.starts_with("AUTH PLAIN"); }));
    if (shown.empty()) {
        ASSERT_GE(commands.size(), 4u);
        EXPECT_EQ(Commands(commands.begin(), commands.begin() + 4),
                  (Commands{"EHLO HOST", "STARTTLS", "EHLO HOST", "AUTH LOGIN"}));
        EXPECT_EQ(peer.messageCount(), 1);
    } else {
        EXPECT_EQ(shown, "送信サーバと暗号化通信を開始できません。") << peer.log();
        EXPECT_FALSE(sentMailFrom(peer));
    }
}

// Servers stuck at TLS 1.0 or 1.1 are refused, and so is one that trickles its handshake a byte
// at a time: the handshake bound holds for the whole handshake, not for each read.
TEST_F(TlsMail, OldTlsVersionsAndATricklingHandshakeAreRefusedWithinTheBound) {
    // STARTTLS servers: the peer's own start-up check speaks TLS 1.2 to one from the first byte.
    std::vector<std::string> tls10 = s_authorities->server("starttls", "127.0.18.5");
    tls10.insert(tls10.end(), {"--tls-max", "1.0"});
    std::vector<std::string> tls11 = s_authorities->server("starttls", "127.0.18.6");
    tls11.insert(tls11.end(), {"--tls-max", "1.1"});
    SmtpPeer old10("127.0.18.5", 2525, tls10);
    SmtpPeer old11("127.0.18.6", 2525, tls11);
    SmtpPeer trickle("127.0.18.7", 2525, {"--starttls-then", "trickle"});
    for (const SmtpPeer* peer : {&old10, &old11, &trickle}) {
        const auto [shown, seconds] = send(*peer, MailSecurity::StartTls);
        std::cout << peer->address() << ": " << seconds << " s\n";
        EXPECT_EQ(shown, "送信サーバと暗号化通信を開始できません。") << peer->address() << "\n" << peer->log();
        EXPECT_LT(seconds, std::chrono::duration<double>(kHandshakeTimeout).count() + 3) << peer->address();
        EXPECT_FALSE(sentMailFrom(*peer));
    }
}

} // namespace
} // namespace sorpex
