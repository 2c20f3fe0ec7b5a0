#include "mail/report_mail.h"

#include "base/cp932.h"
#include "mail/base64.h"
#include "mail/smtp_client.h"
#include "settings/app_settings.h"
#include "tests/mail/mail_test_support.h"
#include "tests/support/smtp_peer.h"
#include "tests/support/scripted_interaction.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <memory>
#include <unistd.h>

namespace sorpex {
namespace {

using test::Clock;
using test::mailSettings;
using test::ScriptedInteraction;
using test::secondsSince;
using test::sjis;
using test::SmtpPeer;
using test::TempDir;

const std::string kCannotConnect = "送信サーバに接続できません。";
const std::string kSendFailed = "送信に失敗しました。";

// A CSV file of 114 bytes, CP932, as an acquisition run writes it.
std::string reportCsv() {
    return sjis("ID,IPアドレス,コミュニティ,機種,カウンタ\r\n1,127.0.0.2,public,Printer Model X,54321\r\n"
                "2,127.0.0.3,public,ﾌﾟﾘﾝﾀ,123\r\n");
}

const std::string kHeader = "From: =?ISO-2022-JP?B?GyRCSnM5cDc4GyhC?= <sorpex@example.test>\r\n"
                            "To: <admin@example.test>, <backup@example.test>\r\n"
                            "Subject: =?ISO-2022-JP?B?GyRCN248IUpzOXAbKEI=?= [SORPEX]\r\n"
                            "[stamp]\r\n";
const std::string kTextPart = "Content-Type: text/plain;\r\n"
                              "\tcharset=\"iso-2022-jp\"\r\n"
                              "Content-Transfer-Encoding: 7bit\r\n"
                              "X-Mailer: vexmo library\r\n"
                              "\r\n"
                              "\x1B$BK\\F|$N=87W$G$9!#\x1B(B\r\n"
                              "\x1B(I63]@\x1B$B0lMw\x1B(B\r\n"
                              ".csv \x1B$B$rE:IU$7$^$9\x1B(B\r\n";
const std::string kMultipartHead = "MIME-Version: 1.0\r\n"
                                   "Content-Type: multipart/mixed;\r\n"
                                   "\tboundary=\"----- vexmo boundary -----\"\r\n"
                                   "\r\n"
                                   "This is a multi-part message in MIME format.\r\n"
                                   "\r\n"
                                   "------- vexmo boundary -----\r\n";
const std::string kClosing = "\r\n------- vexmo boundary -------\r\n";

std::string attachmentHead(const std::string& encodedTitle) {
    return "\r\n"
           "------- vexmo boundary -----\r\n"
           "Content-Type: application/octet-stream;\r\n"
           "\tname=\"" +
           encodedTitle +
           "\"\r\n"
           "Content-Transfer-Encoding: base64\r\n"
           "Content-Disposition: attachment;\r\n"
           "\tfilename=\"" +
           encodedTitle +
           "\"\r\n"
           "\r\n";
}

// One plain server for the tests that expect a mail to go through.
class ReportMail : public testing::Test {
protected:
    static void SetUpTestSuite() { s_peer = std::make_unique<SmtpPeer>("127.0.5.20", 2525); }
    static void TearDownTestSuite() { s_peer.reset(); }

    // Sends the report and gives the message the server received (empty when none arrived).
    std::string send(const AppSettings& settings, const std::string& attachment) {
        const int before = s_peer->messageCount();
        result = sendReportMail(settings, attachment, ui);
        return s_peer->messageCount() > before ? s_peer->message(s_peer->messageCount()) : std::string();
    }

    static std::unique_ptr<SmtpPeer> s_peer;
    AppSettings settings = mailSettings("127.0.5.20", 2525);
    ScriptedInteraction ui;
    TempDir dir;
    ReportMailResult result = ReportMailResult::NotEnabled;
};
std::unique_ptr<SmtpPeer> ReportMail::s_peer;

TEST_F(ReportMail, ServerReceivesTheExactMessageWithItsAttachment) {
    const std::string csv = reportCsv();
    ASSERT_EQ(csv.size(), 114u);
    const std::string path = dir.file("報告_20280229.csv");
    test::writeFileBytes(path, csv);

    const std::string message = send(settings, path);
    ASSERT_EQ(result, ReportMailResult::Sent) << s_peer->log();
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(test::withStampMarked(message),
              kHeader + kMultipartHead + kTextPart + attachmentHead("=?ISO-2022-JP?B?GyRCSnM5cBsoQg==?=_20280229.csv") +
                  "SUQsSVCDQYNog4yDWCyDUoN+g4WDaoNlg0Isi0CO7SyDSoNFg5ODXg0KMSwxMjcuMC4wLjIscHVi\r\n"
                  "bGljLFByaW50ZXIgTW9kZWwgWCw1NDMyMQ0KMiwxMjcuMC4wLjMscHVibGljLMzf2N3ALDEyMw0K\r\n" +
                  kClosing);
    // The body line that begins with a dot went over the wire with the dot doubled.
    EXPECT_NE(s_peer->transcript().find("\r\n..csv \x1B$B"), std::string::npos);

    // A mail reader gets back every text and the file byte for byte.
    const test::DecodedMail mail = test::decodeMail(message);
    EXPECT_EQ(mail.from, "報告係 <sorpex@example.test>");
    EXPECT_EQ(mail.subject, "月次報告 [SORPEX]");
    EXPECT_EQ(mail.body, "本日の集計です。\nｶｳﾝﾀ一覧\n.csv を添付します\n");
    ASSERT_EQ(mail.attachments.size(), 1u);
    EXPECT_EQ(mail.attachmentNames[0], "報告_20280229.csv");
    EXPECT_EQ(mail.attachments[0], csv);
}

TEST_F(ReportMail, FiftyEightBytesGiveAFullLineAndAPaddedOne) {
    const std::string csv = reportCsv().substr(0, 58);
    test::writeFileBytes(dir.file("report.csv"), csv);
    const std::string message = send(settings, dir.file("report.csv"));
    ASSERT_EQ(result, ReportMailResult::Sent);
    EXPECT_TRUE(message.ends_with(attachmentHead("report.csv") +
                                  "SUQsSVCDQYNog4yDWCyDUoN+g4WDaoNlg0Isi0CO7SyDSoNFg5ODXg0KMSwxMjcuMC4wLjIscHVi\r\n"
                                  "bA==\r\n" +
                                  kClosing))
        << message;
    EXPECT_EQ(test::decodeMail(message).attachments, std::vector<std::string>{csv});
}

TEST_F(ReportMail, WithoutAFileTheMessageHasOnePart) {
    EXPECT_EQ(test::withStampMarked(send(settings, "")), kHeader + kTextPart);
    EXPECT_EQ(result, ReportMailResult::Sent);
}

TEST_F(ReportMail, AFileThatCannotBeOpenedIsLeftOutAndTheMessageGoesOn) {
    std::filesystem::create_directory(dir.file("folder.csv"));
    for (const std::string& path : {dir.file("missing.csv"), dir.file("folder.csv")}) {
        EXPECT_EQ(test::withStampMarked(send(settings, path)), kHeader + kMultipartHead + kTextPart + kClosing);
        EXPECT_EQ(result, ReportMailResult::Sent);
    }
}

TEST_F(ReportMail, PathsWithACommaOrLongerThan256BytesStillArrive) {
    // Save folders may hold commas, and a folder of up to 259 bytes plus a file name passes 256.
    const std::filesystem::path folder = dir.path() / "a,b" / std::string(200, 'f') / std::string(60, 'g');
    std::filesystem::create_directories(folder);
    const std::string path = (folder / "sorpex_20280229.csv").string();
    ASSERT_GT(path.size(), 256u);
    test::writeFileBytes(path, "1,127.0.0.2\r\n");
    const std::string message = send(settings, path);
    ASSERT_EQ(result, ReportMailResult::Sent);
    const test::DecodedMail mail = test::decodeMail(message);
    EXPECT_EQ(mail.attachmentNames, std::vector<std::string>{"sorpex_20280229.csv"});
    EXPECT_EQ(mail.attachments, std::vector<std::string>{"1,127.0.0.2\r\n"});
}

TEST_F(ReportMail, LongBodyLinesAreCarriedOnInsteadOfRefused) {
    // 1024 bytes that switch character sets at every byte grow four-fold in ISO-2022-JP, far past
    // the 998 characters a server takes in one line.
    std::string body;
    while (body.size() < kMailBodyLimit) {
        body += sjis("ｱa");
    }
    settings.mailBody = body;
    const std::string message = send(settings, "");
    ASSERT_EQ(result, ReportMailResult::Sent) << s_peer->log();
    std::string text = test::decodeMail(message).body;
    std::erase(text, '\r');
    std::erase(text, '\n');
    EXPECT_EQ(text, cp932::toUtf8(body));
}

TEST_F(ReportMail, BodyLinesOf997CharactersGoWholeAndLongerOnesAreCarriedOn) {
    for (const std::string& body : {std::string(997, 'a'), std::string(998, 'b')}) {
        settings.mailBody = body;
        const std::string message = send(settings, "");
        ASSERT_EQ(result, ReportMailResult::Sent) << s_peer->log();
        const std::string lines = body.size() == 997 ? body + "\r\n" : body.substr(0, 997) + "\r\nb\r\n";
        EXPECT_TRUE(message.ends_with("X-Mailer: vexmo library\r\n\r\n" + lines)) << message.size();
    }
}

// The extension kanji of CP932 have no code in ISO-2022-JP: 髙 as Qt and iconv write it (FB FC)
// and as the NEC rows have it (EE E0), 﨑 (FA B1). A text that holds one goes as UTF-8, and a
// mail reader gets back every character; a text ISO-2022-JP carries keeps its bytes.
TEST_F(ReportMail, TextsIso2022JpCannotCarryGoAsUtf8AndLoseNothing) {
    settings.mailFrom = "\xFB\xFC" + sjis("橋 <t@x.test>");
    settings.mailSubject = sjis("報告 ") + "\xEE\xE0" + sjis("田 [SORPEX]");
    settings.mailBody = sjis("本日の集計です。\r\n") + "\xFA\xB1" + sjis("玉支店 ﾌﾟﾘﾝﾀ\r\n");
    const std::string message = send(settings, "");
    ASSERT_EQ(result, ReportMailResult::Sent) << s_peer->log();
    const test::DecodedMail mail = test::decodeMail(message);
    EXPECT_EQ(mail.from, "髙橋 <t@x.test>");
    EXPECT_EQ(mail.subject, "報告 髙田 [SORPEX]");
    EXPECT_EQ(mail.body, "本日の集計です。\n﨑玉支店 ﾌﾟﾘﾝﾀ\n");
    EXPECT_NE(message.find("\r\nTo: <admin@example.test>, <backup@example.test>\r\n"), std::string::npos);
    const std::vector<std::string> commands = s_peer->commands();
    EXPECT_NE(std::find(commands.begin(), commands.end(), "MAIL FROM: t@x.test"), commands.end());
}

TEST_F(ReportMail, MailSwitchedOffSendsNothing) {
    settings.mailEnabled = false;
    const std::size_t before = s_peer->commands().size();
    EXPECT_EQ(send(settings, ""), "");
    EXPECT_EQ(result, ReportMailResult::NotEnabled);
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(s_peer->commands().size(), before);
}

TEST(ReportMailFailure, ServerThatCannotBeReachedGivesTheConnectMessage) {
    ScriptedInteraction ui;
    EXPECT_EQ(sendReportMail(mailSettings("127.0.5.21", 2525), "", ui), ReportMailResult::CannotConnect);
    ASSERT_EQ(ui.texts(), std::vector<std::string>{kCannotConnect});
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(ui.shown[0].buttons, MessageButtons::Ok);
}

TEST(ReportMailFailure, RefusedRecipientGivesTheFailureMessageAndQuit) {
    SmtpPeer peer("127.0.5.22", 2525, {"--refuse-rcpt", "backup@example.test"});
    ScriptedInteraction ui;
    EXPECT_EQ(sendReportMail(mailSettings(peer.address(), peer.port()), "", ui), ReportMailResult::Failed);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kSendFailed});
    EXPECT_EQ(ui.shown[0].icon, MessageIcon::Warning);
    EXPECT_EQ(peer.commands(),
              (std::vector<std::string>{"HELO 127.0.5.22", "MAIL FROM: sorpex@example.test",
                                        "RCPT TO: admin@example.test", "RCPT TO: backup@example.test", "QUIT"}));
    EXPECT_EQ(peer.messageCount(), 0);
}

TEST(ReportMailFailure, ServerClosingMidMessageNeitherCrashesNorHangs) {
    SmtpPeer peer("127.0.5.23", 2525, {"--drop-after-data-lines", "20"});
    TempDir dir;
    // Far more than the socket buffers hold, so that sending goes on after the server is gone.
    test::writeFileBytes(dir.file("big.csv"), std::string(8 << 20, 'x'));
    ScriptedInteraction ui;
    const auto start = Clock::now();
    EXPECT_EQ(sendReportMail(mailSettings(peer.address(), peer.port()), dir.file("big.csv"), ui),
              ReportMailResult::Failed);
    EXPECT_LT(secondsSince(start), 15.0);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kSendFailed});
}

TEST(ReportMailFailure, ServerThatStopsReadingCannotStallTheSender) {
    SmtpPeer peer("127.0.5.24", 2525, {"--stall-after-data-lines", "20"});
    TempDir dir;
    test::writeFileBytes(dir.file("big.csv"), std::string(32 << 20, 'x'));
    ScriptedInteraction ui;
    const auto start = Clock::now();
    EXPECT_EQ(sendReportMail(mailSettings(peer.address(), peer.port()), dir.file("big.csv"), ui),
              ReportMailResult::Failed);
    EXPECT_LT(secondsSince(start), 30.0);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kSendFailed});
}

class LoginSession : public testing::TestWithParam<const char*> {};

TEST_P(LoginSession, SendsEhloAuthLoginAndTheEncodedCredentials) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "port 587 needs root";
    }
    SmtpPeer peer(std::string("127.0.5.") + (std::string_view(GetParam()) == "classic" ? "30" : "31"), kLoginPort,
                  {"--auth", GetParam()});
    AppSettings settings = mailSettings(peer.address(), peer.port());
    settings.mailUser = "printer-admin";
    settings.mailPassword = sjis("pa:ss 語");
    ScriptedInteraction ui;
    EXPECT_EQ(sendReportMail(settings, "", ui), ReportMailResult::Sent) << peer.log();
    EXPECT_TRUE(ui.shown.empty());
    EXPECT_EQ(
        peer.commands(),
        (std::vector<std::string>{"EHLO HOST", "AUTH LOGIN", base64Encode("printer-admin"),
                                  base64Encode(settings.mailPassword), "MAIL FROM: sorpex@example.test",
                                  "RCPT TO: admin@example.test", "RCPT TO: backup@example.test", "DATA", ".", "QUIT"}));
    EXPECT_EQ(peer.file("login.txt"), "LOGIN\nprinter-admin\n" + settings.mailPassword + "\n");
    EXPECT_EQ(test::withStampMarked(peer.message()), kHeader + kTextPart);
}

INSTANTIATE_TEST_SUITE_P(Prompts, LoginSession, testing::Values("classic", "aiosmtpd"));

TEST(LoginSessionFailure, WrongPromptAfterAuthLoginGivesTheConnectMessage) {
    if (geteuid() != 0) {
        GTEST_SKIP() << "port 587 needs root";
    }
    SmtpPeer peer("127.0.5.32", kLoginPort, {"--auth", "wrong-prompt"});
    AppSettings settings = mailSettings(peer.address(), peer.port());
    settings.mailUser = "printer-admin";
    settings.mailPassword = "secret";
    ScriptedInteraction ui;
    EXPECT_EQ(sendReportMail(settings, "", ui), ReportMailResult::CannotConnect);
    EXPECT_EQ(ui.texts(), std::vector<std::string>{kCannotConnect});
    // The session ends there: no user name goes out, and no QUIT.
    EXPECT_EQ(peer.commands(), (std::vector<std::string>{"EHLO HOST", "AUTH LOGIN"}));
}

} // namespace
} // namespace sorpex
