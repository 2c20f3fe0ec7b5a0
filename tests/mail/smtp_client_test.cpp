#include "mail/reply_reader.h"
#include "mail/smtp_client.h"

#include "tests/mail/mail_test_support.h"
#include "tests/support/smtp_peer.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <thread>
#include <unistd.h>

namespace sorpex {
namespace {

using test::Clock;
using test::secondsSince;
using test::SmtpPeer;

// A connected pair: the client's socket and the end that plays the server.
struct SocketPair {
    SocketPair() {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0) {
            client = SmtpSocket(fds[0]);
            server = fds[1];
        }
    }
    ~SocketPair() { closeServer(); }
    void say(std::string_view bytes) const {
        ASSERT_EQ(write(server, bytes.data(), bytes.size()), ssize_t(bytes.size()));
    }
    void closeServer() {
        if (server >= 0) {
            close(server);
            server = -1;
        }
    }
    SmtpSocket client;
    int server = -1;
};

TEST(ReadReply, WaitsForTheLastLineOfAReplyThatArrivesInPieces) {
    SocketPair pair;
    std::thread server([&] {
        pair.say("250-smtp.test\r\n250-AUTH LO");
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        pair.say("GIN\r\n250 HELP\r\n");
    });
    std::string text;
    EXPECT_TRUE(readReply(pair.client, "250", &text));
    server.join();
    EXPECT_EQ(text, "250-smtp.test\n");
    // The continuation lines were not left behind to be taken for the next answer.
    pair.say("334 VXNlcm5hbWU6\r\n");
    EXPECT_TRUE(readReply(pair.client, "334 VXN", &text));
    EXPECT_EQ(text, "334 VXNlcm5hbWU6\n");
}

TEST(ReadReply, DropsCarriageReturnsAndZeroBytesAndJudgesTheFirstLine) {
    SocketPair pair;
    std::string text;
    pair.say(std::string_view("2\0"
                              "50 O\rK\r\n",
                              10));
    EXPECT_TRUE(readReply(pair.client, "250", &text));
    EXPECT_EQ(text, "250 OK\n");
    pair.say("550 5.1.1 No such user\r\n");
    EXPECT_FALSE(readReply(pair.client, "250", &text));
    EXPECT_EQ(text, "550 5.1.1 No such user\n");
    pair.say("334 UGFzc3dvcmQ6\r\n");
    EXPECT_FALSE(readReply(pair.client, "334 VXN"));
}

TEST(ReadReply, KeepsAtMostTheReplyLimitOfAnEndlessLine) {
    SocketPair pair;
    pair.say("250 " + std::string(5000, 'x') + "\r\n");
    std::string text;
    EXPECT_TRUE(readReply(pair.client, "250", &text));
    EXPECT_EQ(text.size(), kReplyLimit);
}

TEST(ReadReply, APeerThatHangsUpFailsAtOnceAndSendingToItDoesNotKill) {
    SocketPair pair;
    pair.say("250-half a repl");
    pair.closeServer();
    const auto start = Clock::now();
    EXPECT_FALSE(readReply(pair.client, "250"));
    EXPECT_LT(secondsSince(start), 4.0);
    // Without MSG_NOSIGNAL this would end the test program with SIGPIPE.
    EXPECT_FALSE(sendCommand(pair.client, "QUIT", "221"));
    EXPECT_TRUE(pair.client.broken());
}

TEST(SmtpSession, PlainSessionSendsHeloAndTheEnvelopeWithBareAddresses) {
    SmtpPeer peer("127.0.5.10", 2525);
    SmtpSocket socket = openPlainSession(peer.address(), peer.port());
    ASSERT_TRUE(socket.valid()) << peer.log();
    std::string sender = "Report Daemon <sorpex@example.test>";
    std::string recipients = "Admin <admin@example.test>\r\n<backup@example.test>";
    std::string subject = "Monthly\treport\r\n";
    ASSERT_TRUE(sendEnvelope(socket, sender, recipients, subject));
    // The cleaned texts are the ones the header shows.
    EXPECT_EQ(recipients, "Admin <admin@example.test><backup@example.test>");
    EXPECT_EQ(subject, "Monthlyreport");
    sendDataLine(socket, "Subject: x");
    sendDataLine(socket, "");
    sendDataLine(socket, ".hidden line");
    sendDataLine(socket, "..");
    ASSERT_TRUE(sendCommand(socket, ".", "250"));
    closeSession(socket);
    EXPECT_FALSE(socket.valid());

    EXPECT_EQ(peer.commands(), (std::vector<std::string>{"HELO 127.0.5.10", "MAIL FROM: sorpex@example.test",
                                                         "RCPT TO: admin@example.test", "RCPT TO: backup@example.test",
                                                         "DATA", ".", "QUIT"}));
    EXPECT_NE(peer.transcript().find("\r\n..hidden line\r\n...\r\n.\r\n"), std::string::npos);
    EXPECT_EQ(peer.message(), "Subject: x\r\n\r\n.hidden line\r\n..\r\n");
    EXPECT_EQ(peer.file("envelope-1.txt"), "sorpex@example.test\nadmin@example.test\nbackup@example.test\n");
}

TEST(SmtpSession, RecipientTextsGiveOneRcptPerAddressInOrder) {
    SmtpPeer peer("127.0.5.11", 2525);
    auto rcpts = [&](std::string sender, std::string recipients) {
        const std::size_t before = peer.commands().size();
        SmtpSocket socket = openPlainSession(peer.address(), peer.port());
        std::string subject = "s";
        const bool ok = sendEnvelope(socket, sender, recipients, subject);
        if (ok) {
            sendCommand(socket, ".", "250"); // an empty message, so that QUIT is read as a command
        }
        closeSession(socket);
        std::vector<std::string> sent;
        const std::vector<std::string> commands = peer.commands();
        for (std::size_t i = before; i < commands.size(); ++i) {
            if (commands[i].starts_with("MAIL") || commands[i].starts_with("RCPT")) {
                sent.push_back(commands[i]);
            }
        }
        return std::make_pair(ok, sent);
    };
    using Commands = std::vector<std::string>;
    EXPECT_EQ(rcpts("<s@example.test>", "a@example.test;b@example.test"),
              std::make_pair(
                  true, Commands{"MAIL FROM: s@example.test", "RCPT TO: a@example.test", "RCPT TO: b@example.test"}));
    EXPECT_EQ(rcpts("s@example.test", "a@example.test"),
              std::make_pair(true, Commands{"MAIL FROM: s@example.test", "RCPT TO: a@example.test"}));
    EXPECT_EQ(rcpts("s@example.test", ";a@example.test;;"),
              std::make_pair(true, Commands{"MAIL FROM: s@example.test", "RCPT TO: a@example.test"}));
    // An empty pair, an empty list or an empty sender fail before anything goes out.
    EXPECT_EQ(rcpts("s@example.test", "<a@example.test>\r\n<>"), std::make_pair(false, Commands{}));
    EXPECT_EQ(rcpts("s@example.test", ";;"), std::make_pair(false, Commands{}));
    EXPECT_EQ(rcpts("Nobody <>", "a@example.test"), std::make_pair(false, Commands{}));
}

TEST(SmtpSession, ServerThatNeverAnswersFailsEachStepAfterAboutFiveSeconds) {
    {
        SmtpPeer silent("127.0.5.12", 2525, {"--silent"});
        const auto start = Clock::now();
        EXPECT_FALSE(openPlainSession(silent.address(), silent.port()).valid());
        EXPECT_GT(secondsSince(start), 4.0);
        EXPECT_LT(secondsSince(start), 15.0);
    }
    SmtpPeer mute("127.0.5.13", 2525, {"--mute-after-commands", "1"});
    SmtpSocket socket = openPlainSession(mute.address(), mute.port());
    ASSERT_TRUE(socket.valid());
    const auto start = Clock::now();
    EXPECT_FALSE(sendCommand(socket, "MAIL FROM: s@example.test", "250"));
    EXPECT_GT(secondsSince(start), 4.0);
    EXPECT_LT(secondsSince(start), 15.0);
}

TEST(SmtpSession, RefusedConnectionAndEmptyServerNameGiveNoSession) {
    EXPECT_FALSE(smtpConnect("127.0.5.14", 2525, 2525).valid());
    EXPECT_FALSE(smtpConnect("", 25, 25).valid());
    EXPECT_FALSE(smtpConnect("127.0.5.14", 70000, 70000).valid());
}

// The form of older servers, "AUTH=", names the mechanisms just as "AUTH " does.
TEST(ChooseAuthMechanism, ReadsTheOldAuthEqualsForm) {
    for (const char* reply : {"250-smtp.test\n250-AUTH=PLAIN\n250 HELP\n", "250-smtp.test\n250 auth=plain\n",
                              "250-smtp.test\n250-AUTH PLAIN\n250 HELP\n"}) {
        EXPECT_EQ(chooseAuthMechanism(reply), AuthMechanism::Plain) << reply;
    }
    EXPECT_EQ(chooseAuthMechanism("250-smtp.test\n250 AUTH=LOGIN\n"), AuthMechanism::Login);
}

} // namespace
} // namespace sorpex
