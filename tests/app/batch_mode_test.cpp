#include "app/batch_mode.h"
#include "tests/support/child_process.h"
#include "tests/support/csv_builder.h"
#include "tests/support/smtp_peer.h"
#include "tests/support/snmpsim_agent.h"
#include "tests/support/temp_dir.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>

using namespace sorpex::test;

namespace {

const std::string& kHeader = kListHeaderLine;

// The batch mode's function, as main calls it; the report path and the messages in one text.
RunResult runSorpex(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    int code = sorpex::runBatchMode(args, out, err, false);
    return {code, out.str() + err.str()};
}

// The program itself, as from cron: no display of any kind.
RunResult runTheProgram(std::vector<std::string> args) {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    args.insert(args.begin(), SORPEX_PROGRAM);
    return runProgram(args, std::chrono::seconds(60));
}

class BatchMode : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_recordings = new TempDir;
        std::vector<SimulatedAgent> agents;
        for (int n = 1; n <= 3; ++n) {
            std::string file = s_recordings->file("p" + std::to_string(n) + ".snmprec");
            writeRecording(file, {
                                     "1.3.6.1.2.1.1.1.0|4|descr " + std::to_string(n),
                                     "1.3.6.1.2.1.1.4.0|4|contact",
                                     "1.3.6.1.2.1.1.5.0|4|name-" + std::to_string(n),
                                     "1.3.6.1.2.1.1.6.0|4x|82528a4b",
                                     "1.3.6.1.2.1.25.3.2.1.3.1|4|Printer Model " + std::to_string(n),
                                     "1.3.6.1.2.1.43.10.2.1.4.1.1|65|" + std::to_string(1000 + n),
                                 });
            agents.push_back({"127.0.7." + std::to_string(n), file});
        }
        s_agents = new SnmpSimAgents(agents, 1161);
    }
    static void TearDownTestSuite() {
        delete s_agents;
        delete s_recordings;
    }

    void SetUp() override {
        writeFileBytes(m_dir.file("SORPEX.ini"),
                       "[AppParam]\r\nTimeOut=1\r\nSnmpPort=1161\r\nDefalutSavePath=" + m_dir.file("reports") + "\r\n");
        std::filesystem::create_directory(m_dir.file("reports"));
    }

    std::string list(const std::vector<std::string>& rows) {
        std::string text = kHeader;
        for (const std::string& row : rows) {
            text += row + "\r\n";
        }
        writeFileBytes(m_dir.file("list.csv"), text);
        return m_dir.file("list.csv");
    }

    TempDir m_dir;
    static TempDir* s_recordings;
    static SnmpSimAgents* s_agents;
};
TempDir* BatchMode::s_recordings = nullptr;
SnmpSimAgents* BatchMode::s_agents = nullptr;

} // namespace

TEST_F(BatchMode, WritesTheReportOfAKnownFleetByteForByte) {
    std::string path = list({"\"first\",127.0.7.1,public", "\"second, with a comma\",127.0.7.002,public",
                             "\"silent\",127.0.7.200,public", "\"third\",127.0.7.3,public"});
    RunResult result =
        runSorpex({"--acquire", path, "--output", m_dir.file("report.csv"), "--settings", m_dir.file("SORPEX.ini")});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    EXPECT_NE(result.output.find(m_dir.file("report.csv")), std::string::npos);
    std::string location = "\x82\x52\x8a\x4b";
    EXPECT_EQ(readFileBytes(m_dir.file("report.csv")),
              kHeader + "\"first\",127.0.7.1,public,\"Printer Model 1\",1001,\"name-1\",\"" + location +
                  "\",\"contact\",\"descr 1\"\r\n" +
                  "\"second, with a comma\",127.0.7.2,public,\"Printer Model 2\",1002,\"name-2\",\"" + location +
                  "\",\"contact\",\"descr 2\"\r\n" +
                  "\"silent\",127.0.7.200,public,\"No Response\",,\"\",\"\",\"\",\"\"\r\n" +
                  "\"third\",127.0.7.3,public,\"Printer Model 3\",1003,\"name-3\",\"" + location +
                  "\",\"contact\",\"descr 3\"\r\n");
}

TEST_F(BatchMode, WithoutOutputTheReportTakesAnAutomaticName) {
    std::string path = list({"\"good\",127.0.7.1,public"});
    RunResult result = runSorpex({"--acquire", path, "--settings", m_dir.file("SORPEX.ini")});
    ASSERT_EQ(result.exitCode, 0) << result.output;
    std::vector<std::filesystem::path> reports;
    for (const auto& entry : std::filesystem::directory_iterator(m_dir.file("reports"))) {
        reports.push_back(entry.path());
    }
    ASSERT_EQ(reports.size(), 1u);
    EXPECT_EQ(reports[0].filename().string().substr(0, 7), "SORPEX_");
    EXPECT_NE(readFileBytes(reports[0].string()).find("Printer Model 1"), std::string::npos);
}

TEST_F(BatchMode, EachExitCodeHasItsCause) {
    RunResult missing = runSorpex({"--acquire", m_dir.file("none.csv"), "--settings", m_dir.file("SORPEX.ini")});
    EXPECT_EQ(missing.exitCode, 1) << missing.output;
    EXPECT_NE(missing.output.find("ファイルオープンエラー\nError Code = 2"), std::string::npos) << missing.output;

    std::string rejected = list({"\"a\",127.0.7.1,public", "\"b\",127.0.7.255,public"});
    RunResult refused = runSorpex({"--acquire", rejected, "--settings", m_dir.file("SORPEX.ini")});
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    EXPECT_NE(refused.output.find("プリンタ情報CSVファイルではありません"), std::string::npos);

    std::string good = list({"\"a\",127.0.7.1,public"});
    RunResult unwritable = runSorpex({"--acquire", good, "--output", m_dir.file("no-such-folder/report.csv"),
                                      "--settings", m_dir.file("SORPEX.ini")});
    EXPECT_EQ(unwritable.exitCode, 3) << unwritable.output;
    EXPECT_NE(unwritable.output.find("ファイル書込みできません\nError Code = 2"), std::string::npos);

    EXPECT_EQ(runSorpex({"--acquire"}).exitCode, 2);
    EXPECT_EQ(runSorpex({"--frobnicate"}).exitCode, 2);
    EXPECT_EQ(runSorpex({"--output", "x.csv"}).exitCode, 2);
}

TEST_F(BatchMode, MailsTheReportWithItsFileAttached) {
    SmtpPeer peer("127.0.7.10", 2525);
    SmtpPeer refusing("127.0.7.11", 2525, {"--refuse-rcpt", "admin@example.test"});
    std::string path = list({"\"first\",127.0.7.1,public"});
    auto settingsFor = [&](const SmtpPeer& server) {
        std::string ini = m_dir.file("mail-" + server.address() + ".ini");
        writeFileBytes(ini, readFileBytes(m_dir.file("SORPEX.ini")) + "[ReportParam]\r\nReport=NO\r\nMailServer=" +
                                server.address() + "\r\nPort=2525\r\nFromAdd=<sorpex@example.test>\r\n" +
                                "ToAdd=<admin@example.test>\r\n");
        return ini;
    };

    // --mail sends even though the window's report switch is off.
    RunResult sent =
        runSorpex({"--acquire", path, "--output", m_dir.file("report.csv"), "--mail", "--settings", settingsFor(peer)});
    ASSERT_EQ(sent.exitCode, 0) << sent.output;
    ASSERT_EQ(peer.messageCount(), 1);
    DecodedMail mail = decodeMail(peer.message());
    EXPECT_EQ(mail.attachmentNames, std::vector<std::string>{"report.csv"});
    ASSERT_EQ(mail.attachments.size(), 1u);
    EXPECT_EQ(mail.attachments[0], readFileBytes(m_dir.file("report.csv")));

    RunResult refused = runSorpex(
        {"--acquire", path, "--output", m_dir.file("report2.csv"), "--mail", "--settings", settingsFor(refusing)});
    EXPECT_EQ(refused.exitCode, 4) << refused.output;
    EXPECT_NE(refused.output.find("送信に失敗しました。"), std::string::npos) << refused.output;
    EXPECT_EQ(refusing.messageCount(), 0);

    // TLS asked of a server that speaks none: a mail failure of its own kind.
    const std::string tls = m_dir.file("tls.ini");
    writeFileBytes(tls, readFileBytes(settingsFor(peer)) + "Security=2\r\n");
    RunResult noTls =
        runSorpex({"--acquire", path, "--output", m_dir.file("report3.csv"), "--mail", "--settings", tls});
    EXPECT_EQ(noTls.exitCode, 4) << noTls.output;
    EXPECT_NE(noTls.output.find("送信サーバと暗号化通信を開始できません。"), std::string::npos) << noTls.output;
    EXPECT_EQ(peer.messageCount(), 1);
}

TEST(BatchModeProgram, RunsWithoutADisplay) {
    if (std::string(SORPEX_PROGRAM).empty()) {
        GTEST_SKIP() << "the program is built only with the widgets";
    }
    RunResult version = runTheProgram({"--version"});
    EXPECT_EQ(version.exitCode, 0);
    EXPECT_EQ(version.output, "SORPEX Version 2.0\n");
    RunResult help = runTheProgram({"--help"});
    EXPECT_EQ(help.exitCode, 0);
    EXPECT_NE(help.output.find("--acquire LIST.csv"), std::string::npos);
    EXPECT_NE(help.output.find("4 the mail failed"), std::string::npos);
    TempDir dir;
    RunResult missing = runTheProgram({"--acquire", dir.file("none.csv"), "--settings", dir.file("SORPEX.ini")});
    EXPECT_EQ(missing.exitCode, 1) << missing.output;
}
