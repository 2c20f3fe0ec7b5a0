#include "app/batch_mode.h"
#include "base/cp932.h"
#include "tests/support/child_process.h"
#include "tests/support/csv_builder.h"
#include "tests/support/smtp_peer.h"
#include "tests/support/snmpsim_agent.h"
#include "tests/support/temp_dir.h"

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>
#include <sstream>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <tuple>
#include <unistd.h>

using namespace sorpex::test;

namespace {

const std::string& kHeader = kListHeaderLine;

// The report of the fleet below as the Windows version writes it: nine columns, whatever the
// printers could say besides.
const std::string kKnownFleetReport =
    kHeader +
    "\"first\",127.0.7.1,public,\"Printer Model 1\",1001,\"name-1\",\"\x82\x52\x8a\x4b\",\"contact\",\"descr 1\"\r\n"
    "\"second, with a comma\",127.0.7.2,public,\"Printer Model 2\",1002,\"name-2\",\"\x82\x52\x8a\x4b\",\"contact\","
    "\"descr 2\"\r\n"
    "\"silent\",127.0.7.200,public,\"No Response\",,\"\",\"\",\"\",\"\"\r\n"
    "\"third\",127.0.7.3,public,\"Printer Model 3\",1003,\"name-3\",\"\x82\x52\x8a\x4b\",\"contact\",\"descr 3\"\r\n";

// The batch mode's function, as main calls it; the report path and the messages in one text.
RunResult runSorpex(const std::vector<std::string>& args) {
    std::ostringstream out;
    std::ostringstream err;
    int code = sorpex::runBatchMode(args, out, err, false);
    return {code, out.str() + err.str()};
}

// The program itself, as from cron: no display of any kind; with a `script`, started by a shell
// that runs it as "$0" "$@" (under a ulimit, with its output redirected).
RunResult runTheProgram(std::vector<std::string> args, const std::string& script = "") {
    unsetenv("DISPLAY");
    unsetenv("WAYLAND_DISPLAY");
    unsetenv("QT_QPA_PLATFORM");
    args.insert(args.begin(), SORPEX_PROGRAM);
    if (!script.empty()) {
        args.insert(args.begin(), {"/bin/sh", "-c", script});
    }
    return runProgram(args, std::chrono::seconds(60));
}

class BatchMode : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        s_recordings = new TempDir;
        std::vector<SimulatedAgent> agents;
        // Serial numbers and supplies, which a report shows only when asked for them.
        const std::vector<std::vector<std::string>> supplies = {
            {"1.3.6.1.2.1.43.5.1.1.17.1|4|SN-1", "1.3.6.1.2.1.43.11.1.1.4.1.1|2|3",
             "1.3.6.1.2.1.43.11.1.1.6.1.1|4|Black", "1.3.6.1.2.1.43.11.1.1.8.1.1|2|100",
             "1.3.6.1.2.1.43.11.1.1.9.1.1|2|40", "1.3.6.1.2.1.43.11.1.1.4.1.2|2|4",
             "1.3.6.1.2.1.43.11.1.1.6.1.2|4|Waste", "1.3.6.1.2.1.43.11.1.1.8.1.2|2|100",
             "1.3.6.1.2.1.43.11.1.1.9.1.2|2|5"},
            {"1.3.6.1.2.1.43.5.1.1.17.1|4|S\"N,2", "1.3.6.1.2.1.43.11.1.1.6.1.1|4x|83678369815b",
             "1.3.6.1.2.1.43.11.1.1.9.1.1|2|-3"},
            {},
        };
        for (int n = 1; n <= 3; ++n) {
            std::string file = s_recordings->file("p" + std::to_string(n) + ".snmprec");
            std::vector<std::string> lines = {
                "1.3.6.1.2.1.1.1.0|4|descr " + std::to_string(n),
                "1.3.6.1.2.1.1.4.0|4|contact",
                "1.3.6.1.2.1.1.5.0|4|name-" + std::to_string(n),
                "1.3.6.1.2.1.1.6.0|4x|82528a4b",
                "1.3.6.1.2.1.25.3.2.1.3.1|4|Printer Model " + std::to_string(n),
                "1.3.6.1.2.1.43.10.2.1.4.1.1|65|" + std::to_string(1000 + n),
            };
            lines.insert(lines.end(), supplies[n - 1].begin(), supplies[n - 1].end());
            writeRecording(file, lines);
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
    EXPECT_EQ(readFileBytes(m_dir.file("report.csv")), kKnownFleetReport);
}

// With Supplies=1 three columns follow the ninth; a file with them loads in either mode.
TEST_F(BatchMode, SuppliesAddThreeColumnsThatEitherModeLoads) {
    std::string path = list({"\"first\",127.0.7.1,public", "\"second, with a comma\",127.0.7.002,public",
                             "\"silent\",127.0.7.200,public", "\"third\",127.0.7.3,public"});
    const std::string on = m_dir.file("on.ini");
    writeFileBytes(on, readFileBytes(m_dir.file("SORPEX.ini")) + "Supplies=1\r\n");
    ASSERT_EQ(runSorpex({"--acquire", path, "--output", m_dir.file("on.csv"), "--settings", on}).exitCode, 0);
    const std::string lines[] = {
        ",\"SN-1\",40,\"Black:40%; Waste:5%\"\r\n",
        ",\"S\"\"N,2\",,\"" + sorpex::cp932::fromUtf8("トナー:残あり") + "\"\r\n",
        ",\"\",,\"\"\r\n",
        ",\"\",,\"\"\r\n",
    };
    std::string expected = kHeader.substr(0, kHeader.size() - 2) + ",Serial Number,Lowest Supply %,Supplies\r\n";
    std::size_t at = kHeader.size();
    for (const std::string& line : lines) {
        std::size_t end = kKnownFleetReport.find("\r\n", at);
        expected += kKnownFleetReport.substr(at, end - at) + line;
        at = end + 2;
    }
    EXPECT_EQ(readFileBytes(m_dir.file("on.csv")), expected);

    ASSERT_EQ(runSorpex({"--acquire", m_dir.file("on.csv"), "--output", m_dir.file("off.csv"), "--settings",
                         m_dir.file("SORPEX.ini")})
                  .exitCode,
              0);
    EXPECT_EQ(readFileBytes(m_dir.file("off.csv")), kKnownFleetReport);
    ASSERT_EQ(
        runSorpex({"--acquire", m_dir.file("on.csv"), "--output", m_dir.file("again.csv"), "--settings", on}).exitCode,
        0);
    EXPECT_EQ(readFileBytes(m_dir.file("again.csv")), expected);
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
    EXPECT_NE(missing.output.find("ファイルオープンエラー\nError Code = 2\n" + m_dir.file("none.csv")),
              std::string::npos)
        << missing.output;

    std::string rejected = list({"\"a\",127.0.7.1,public", "\"b\",127.0.7.255,public"});
    RunResult refused = runSorpex({"--acquire", rejected, "--settings", m_dir.file("SORPEX.ini")});
    EXPECT_EQ(refused.exitCode, 1) << refused.output;
    EXPECT_NE(refused.output.find("プリンタ情報CSVファイルではありません"), std::string::npos);

    std::string good = list({"\"a\",127.0.7.1,public"});
    RunResult unwritable = runSorpex({"--acquire", good, "--output", m_dir.file("no-such-folder/report.csv"),
                                      "--settings", m_dir.file("SORPEX.ini")});
    EXPECT_EQ(unwritable.exitCode, 3) << unwritable.output;
    EXPECT_NE(unwritable.output.find("ファイル書込みできません\nError Code = 2"), std::string::npos);

    // A run that asked in vain has codes of its own; the report is written all the same.
    for (const auto& [rows, code] : {std::pair{std::vector<std::string>{"\"silent\",127.0.7.200,public"}, 6},
                                     std::pair{std::vector<std::string>{}, 7}}) {
        std::filesystem::remove(m_dir.file("report.csv"));
        RunResult result = runSorpex(
            {"--acquire", list(rows), "--output", m_dir.file("report.csv"), "--settings", m_dir.file("SORPEX.ini")});
        EXPECT_EQ(result.exitCode, code) << result.output;
        EXPECT_NE(result.output.find(code == 6 ? "no printer answered" : "有効なＩＰアドレスの指定がありません。"),
                  std::string::npos);
        EXPECT_TRUE(std::filesystem::exists(m_dir.file("report.csv")));
    }

    // A usage error is one line that points to --help.
    const std::pair<std::vector<std::string>, std::string> usage[] = {
        {{"--acquire"}, "--acquire needs a value"},
        {{"--frobnicate"}, "unknown option --frobnicate"},
        {{"-x"}, "unknown option -x"},
        {{"a.csv", "b.csv"}, "unexpected argument a.csv"},
        {{"--output", "x.csv"}, "--acquire LIST.csv is missing"},
    };
    for (const auto& [args, problem] : usage) {
        RunResult result = runSorpex(args);
        EXPECT_EQ(result.exitCode, 2) << problem;
        EXPECT_EQ(result.output, "sorpex: " + problem + " (sorpex --help lists the options)\n");
    }
}

// One list and nothing else is the window's; anything else is the batch mode's to take or refuse.
TEST(BatchModeArguments, TheWindowTakesOneListAndNoOption) {
    EXPECT_FALSE(sorpex::wantsBatchMode({}));
    EXPECT_FALSE(sorpex::wantsBatchMode({"printers.csv"}));
    EXPECT_TRUE(sorpex::wantsBatchMode({"a.csv", "b.csv"}));
    EXPECT_TRUE(sorpex::wantsBatchMode({"-x"}));
    EXPECT_TRUE(sorpex::wantsBatchMode({"printers.csv", "--version"}));
}

// Whatever the paths name, nothing blocks, nothing but a regular file is replaced, and each
// refusal has its message and exit code: 5 for the settings, 1 for the list, 3 for the report.
TEST_F(BatchMode, FilesThatAreNotRegularAreRefusedAtOnceAndNeverReplaced) {
    ASSERT_EQ(mkfifo(m_dir.file("fifo").c_str(), 0600), 0);
    const std::string good = list({"\"a\",127.0.7.1,public"});
    const std::pair<std::string, std::string> settings[] = {
        {m_dir.file("none.ini"), "2"}, {m_dir.path().string(), "21"}, {m_dir.file("fifo"), "22"}, {"/dev/zero", "22"}};
    for (const auto& [path, code] : settings) {
        RunResult result = runSorpex({"--acquire", good, "--settings", path});
        EXPECT_EQ(result.exitCode, 5) << path << ": " << result.output;
        EXPECT_NE(result.output.find("SORPEX.ini読込みエラー\nError Code = " + code + "\n" + path), std::string::npos)
            << result.output;
    }

    RunResult fifoList = runSorpex({"--acquire", m_dir.file("fifo"), "--settings", m_dir.file("SORPEX.ini")});
    EXPECT_EQ(fifoList.exitCode, 1);
    EXPECT_NE(fifoList.output.find("ファイルオープンエラー\nError Code = 22"), std::string::npos) << fifoList.output;

    // The null device, as root names it from cron, and a link planted where the report goes.
    writeFileBytes(m_dir.file("elsewhere.csv"), "keep me");
    ASSERT_EQ(symlink(m_dir.file("elsewhere.csv").c_str(), m_dir.file("planted.csv").c_str()), 0);
    std::vector<std::pair<std::string, std::string>> outputs = {{m_dir.file("planted.csv"), "40"}};
    if (mknod(m_dir.file("mynull").c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0) {
        outputs.push_back({m_dir.file("mynull"), "22"});
    }
    for (const auto& [path, code] : outputs) {
        RunResult result = runSorpex({"--acquire", good, "--output", path, "--settings", m_dir.file("SORPEX.ini")});
        EXPECT_EQ(result.exitCode, 3) << path << ": " << result.output;
        EXPECT_NE(result.output.find("ファイル書込みできません\nError Code = " + code), std::string::npos)
            << result.output;
    }
    EXPECT_EQ(readFileBytes(m_dir.file("elsewhere.csv")), "keep me");
    EXPECT_TRUE(std::filesystem::is_symlink(m_dir.file("planted.csv")));
    EXPECT_FALSE(std::filesystem::is_regular_file(std::filesystem::symlink_status(m_dir.file("mynull"))));
}

// A report larger than the file-size limit (ulimit -f) ends with the write message and exit 3,
// and leaves neither a report nor a temporary file.
TEST_F(BatchMode, TheFileSizeLimitEndsTheProgramWithItsMessage) {
    if (std::string(SORPEX_PROGRAM).empty()) {
        GTEST_SKIP() << "the program is built only with the widgets";
    }
    std::vector<std::string> rows;
    for (int n = 1; n <= 10; ++n) {
        rows.push_back("\"" + std::string(1000, 'c') + "\",127.0.7." + std::to_string(200 + n) + ",public");
    }
    const std::string path = list(rows);
    std::filesystem::create_directory(m_dir.file("out"));
    RunResult result = runTheProgram(
        {"--acquire", path, "--output", m_dir.file("out/report.csv"), "--settings", m_dir.file("SORPEX.ini")},
        "ulimit -f 8; exec \"$0\" \"$@\"");
    EXPECT_EQ(result.exitCode, 3) << result.output;
    EXPECT_NE(result.output.find("ファイル書込みできません\nError Code = 27"), std::string::npos) << result.output;
    EXPECT_TRUE(std::filesystem::is_empty(m_dir.file("out")));
}

// A reader that has gone, or a full disk, on stdout: the run's result is the exit code, and the
// lost path line is said on stderr. (The tests ignore SIGPIPE, and their children with them.)
TEST_F(BatchMode, TroubleOnStdoutDoesNotChangeTheExitCode) {
    if (std::string(SORPEX_PROGRAM).empty()) {
        GTEST_SKIP() << "the program is built only with the widgets";
    }
    const std::string path = list({"\"first\",127.0.7.1,public"});
    for (const char* script : {"{ env --default-signal=PIPE \"$0\" \"$@\"; echo \"exit $?\" >&2; } | true",
                               "\"$0\" \"$@\" >/dev/full; echo \"exit $?\" >&2"}) {
        RunResult result = runTheProgram(
            {"--acquire", path, "--output", m_dir.file("report.csv"), "--settings", m_dir.file("SORPEX.ini")}, script);
        EXPECT_NE(result.output.find("exit 0"), std::string::npos) << script << ": " << result.output;
        EXPECT_NE(result.output.find("the report's path could not be written"), std::string::npos) << result.output;
    }
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

    // A Security value that would read as none ends the run before any printer is asked.
    const std::string typo = m_dir.file("typo.ini");
    writeFileBytes(typo, readFileBytes(settingsFor(peer)) + "Security=STARTTLS\r\n");
    const std::size_t commands = peer.commands().size();
    RunResult refusedSettings =
        runSorpex({"--acquire", path, "--output", m_dir.file("report4.csv"), "--mail", "--settings", typo});
    EXPECT_EQ(refusedSettings.exitCode, 5) << refusedSettings.output;
    EXPECT_NE(refusedSettings.output.find("[ReportParam] Security=STARTTLS"), std::string::npos)
        << refusedSettings.output;
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("report4.csv")));
    EXPECT_EQ(peer.commands().size(), commands);
    // Without --mail the value is not used, and the report is written.
    EXPECT_EQ(runSorpex({"--acquire", path, "--output", m_dir.file("report5.csv"), "--settings", typo}).exitCode, 0);
}

// Usage=1: the usage since the previous report of the folder goes with the mail, as a summary
// after the body and a second attachment.
TEST_F(BatchMode, WithUsageTheMailTellsThePagesSinceThePreviousReport) {
    SmtpPeer peer("127.0.7.12", 2525);
    const std::string reports = m_dir.file("usage-reports");
    mkdir(reports.c_str(), 0700);
    writeFileBytes(reports + "/SORPEX_20250101080000.csv",
                   kHeader + "\"first\",127.0.7.1,public,\"Printer Model 1\",990,\"\",\"\",\"\",\"\"\r\n");
    const std::string ini = m_dir.file("usage.ini");
    writeFileBytes(ini, readFileBytes(m_dir.file("SORPEX.ini")) + "[ReportParam]\r\nMailServer=127.0.7.12\r\n" +
                            "Port=2525\r\nFromAdd=<sorpex@example.test>\r\nToAdd=<admin@example.test>\r\nUsage=1\r\n");
    const std::string report = reports + "/SORPEX_20250102080000.csv";
    RunResult sent =
        runSorpex({"--acquire", list({"\"first\",127.0.7.1,public"}), "--output", report, "--mail", "--settings", ini});
    ASSERT_EQ(sent.exitCode, 0) << sent.output;
    ASSERT_EQ(peer.messageCount(), 1);
    DecodedMail mail = decodeMail(peer.message());
    EXPECT_EQ(mail.attachmentNames,
              (std::vector<std::string>{"SORPEX_20250102080000.csv", "SORPEX_usage_20250101-20250102.csv"}));
    EXPECT_EQ(mail.body.rfind("Report File.\n\n使用枚数 2025/01/01 08:00:00 から 2025/01/02 08:00:00\n"
                              "プリンタ 1 台: 応答 1 台、無応答 0 台\n期間の合計枚数: 11 枚\n",
                              0),
              0u)
        << mail.body;
    ASSERT_EQ(mail.attachments.size(), 2u);
    EXPECT_NE(mail.attachments[1].find(",990,2025/01/02 08:00:00,1001,11,"), std::string::npos);
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
    EXPECT_NE(help.output.find("8 some rows were not asked"), std::string::npos);
    TempDir dir;
    writeFileBytes(dir.file("SORPEX.ini"), "");
    RunResult missing = runTheProgram({"--acquire", dir.file("none.csv"), "--settings", dir.file("SORPEX.ini")});
    EXPECT_EQ(missing.exitCode, 1) << missing.output;
}

// The desktop entry's start: SORPEX.ini, the list and the report in $XDG_DATA_HOME/sorpex, made
// on the first start; the rule falls back to ~/.local/share when XDG_DATA_HOME is relative.
TEST(BatchModeProgram, FromTheMenuItWorksInAFolderOfItsOwn) {
    if (std::string(SORPEX_PROGRAM).empty()) {
        GTEST_SKIP() << "the program is built only with the widgets";
    }
    TempDir dir;
    std::string folder = dir.file("data/sorpex");
    setenv("XDG_DATA_HOME", dir.file("data").c_str(), 1);
    // The first start finds no settings: said as such, not as a failed mail after the whole run.
    RunResult first = runTheProgram({"--from-menu", "--acquire", "printers.csv", "--mail"});
    EXPECT_EQ(first.exitCode, 5) << first.output;
    EXPECT_NE(first.output.find("SORPEX.ini読込みエラー\nError Code = 2\n" + folder + "/SORPEX.ini\n" +
                                "sorpex: the settings file is missing"),
              std::string::npos)
        << first.output;
    struct stat made {};
    ASSERT_EQ(stat(folder.c_str(), &made), 0) << first.output;
    EXPECT_EQ(made.st_mode & 0777, 0700u);

    writeFileBytes(folder + "/SORPEX.ini", "[AppParam]\r\nTimeOut=1\r\nRetry=0\r\n");
    writeFileBytes(folder + "/printers.csv", kHeader + "\"silent\",127.0.7.250,public\r\n");
    RunResult report = runTheProgram({"--from-menu", "--acquire", "printers.csv"});
    ASSERT_EQ(report.exitCode, 6) << report.output;
    std::vector<std::string> names;
    for (const auto& entry : std::filesystem::directory_iterator(folder)) {
        names.push_back(entry.path().filename().string());
    }
    std::sort(names.begin(), names.end());
    ASSERT_EQ(names.size(), 3u);
    EXPECT_EQ(names[0], "SORPEX.ini");
    EXPECT_EQ(names[1].substr(0, 7), "SORPEX_");

    std::string home = getenv("HOME") ? getenv("HOME") : "";
    setenv("XDG_DATA_HOME", "relative", 1);
    setenv("HOME", dir.path().c_str(), 1);
    writeFileBytes(dir.file(".local"), "a file where a folder should be");
    RunResult refused = runTheProgram({"--from-menu", "--acquire", "printers.csv"});
    EXPECT_EQ(refused.exitCode, 1);
    EXPECT_NE(
        refused.output.find("作業フォルダを作成できません。\n" + dir.file(".local/share/sorpex") + "\nError Code = 20"),
        std::string::npos)
        << refused.output;
    unsetenv("XDG_DATA_HOME");
    setenv("HOME", home.c_str(), 1);
}

// Limits lowered for the program alone: with no thread to start, every row is said not asked
// (code 8, the rows as they were); with few descriptors at Parallel 256, every printer that
// answers is in the report. Root's thread limit does not bind, so the program then runs as nobody.
TEST(BatchModeProgram, UnderTightLimitsEveryRowIsAskedOrSaidNotAsked) {
    if (std::string(SORPEX_PROGRAM).empty()) {
        GTEST_SKIP() << "the program is built only with the widgets";
    }
    constexpr int kPrinters = 100;
    TempDir dir;
    std::filesystem::permissions(dir.path(), std::filesystem::perms::all);
    std::vector<SimulatedAgent> agents;
    std::string rows = kHeader;
    for (int n = 1; n <= kPrinters; ++n) {
        const std::string file = dir.file("p" + std::to_string(n) + ".snmprec");
        writeRecording(file, {"1.3.6.1.2.1.25.3.2.1.3.1|4|Printer Model " + std::to_string(n)});
        agents.push_back({"127.0.17." + std::to_string(n), file});
        rows += "\"\",127.0.17." + std::to_string(n) + ",public\r\n";
    }
    SnmpSimAgents peers(agents, 1161);
    writeFileBytes(dir.file("list.csv"), rows);
    writeFileBytes(dir.file("SORPEX.ini"), "[AppParam]\r\nTimeOut=5\r\nRetry=0\r\nSnmpPort=1161\r\nParallel=256\r\n");

    const std::string asNobody = geteuid() == 0 ? "setpriv --reuid=65534 --regid=65534 --clear-groups " : "";
    const std::tuple<std::string, int, int> cases[] = {
        {"exec " + asNobody + "prlimit --nproc=1 -- \"$0\" \"$@\"", 8, 0},
        {"ulimit -n 32; exec \"$0\" \"$@\"", 0, kPrinters},
    };
    for (const auto& [script, code, answered] : cases) {
        const std::string report = dir.file("report" + std::to_string(code) + ".csv");
        RunResult result = runTheProgram(
            {"--acquire", dir.file("list.csv"), "--output", report, "--settings", dir.file("SORPEX.ini")}, script);
        EXPECT_EQ(result.exitCode, code) << script << ": " << result.output;
        const std::string text = readFileBytes(report);
        int models = 0;
        for (std::size_t at = 0; (at = text.find("\"Printer Model ", at)) != std::string::npos; ++at) {
            ++models;
        }
        EXPECT_EQ(models, answered) << script;
        EXPECT_EQ(text.find("No Response"), std::string::npos) << script;
        EXPECT_EQ(
            result.output.find("資源不足のため、100 件のプリンタに問い合わせできませんでした。\n  ID 1: 127.0.17.1 "
                               "(not asked)\n") != std::string::npos,
            code == 8)
            << result.output;
    }
}

// The usage needs no settings and no printer: only the reports of a folder.
TEST(BatchModeUsage, EachExitCodeHasItsCause) {
    TempDir dir;
    const std::string reports = dir.file("reports");
    mkdir(reports.c_str(), 0700);
    RunResult empty = runSorpex({"--usage", reports});
    EXPECT_EQ(empty.exitCode, 1) << empty.output;
    EXPECT_NE(empty.output.find("レポートがありません"), std::string::npos) << empty.output;
    EXPECT_EQ(runSorpex({"--usage", dir.file("none")}).exitCode, 1);

    for (const char* stamp : {"20250131080000", "20250210080000"}) {
        writeFileBytes(reports + "/SORPEX_" + stamp + ".csv", kHeader + "\"a\",10.0.0.1,public,\"M\"," +
                                                                  (stamp[5] == '1' ? "100" : "175") +
                                                                  ",\"\",\"\",\"\",\"\"\r\n");
    }
    const std::string output = dir.file("usage.csv");
    RunResult done = runSorpex({"--usage", reports, "--from", "2025-02-01", "--to", "2025-02-28", "--output", output});
    EXPECT_EQ(done.exitCode, 0) << done.output;
    EXPECT_NE(done.output.find("レポート 2 件を読みました"), std::string::npos) << done.output;
    EXPECT_NE(readFileBytes(output).find(",100,2025/02/10 08:00:00,175,75,\"\"\r\n"), std::string::npos);

    RunResult unwritable = runSorpex({"--usage", reports, "--output", reports});
    EXPECT_EQ(unwritable.exitCode, 3) << unwritable.output;
    for (std::vector<std::string> wrong : {std::vector<std::string>{"--usage", reports, "--from", "2025-02-30"},
                                           {"--usage", reports, "--from", "2025-03-01", "--to", "2025-02-01"},
                                           {"--usage", reports, "--mail"},
                                           {"--acquire", "x.csv", "--from", "2025-02-01"}}) {
        EXPECT_EQ(runSorpex(wrong).exitCode, 2) << wrong.back();
    }
}

// An SNMP setting that would lower security ends the run with 5 before any printer is asked.
TEST_F(BatchMode, AnUnusableSnmpSettingStopsTheRunBeforeAnyPrinter) {
    writeFileBytes(m_dir.file("weak.ini"), "[SnmpParam]\r\nVersion=3\r\nV3User=u\r\nV3AuthProtocol=SHA-1024\r\n");
    RunResult result = runSorpex({"--acquire", list({"\"a\",127.0.7.1,public"}), "--output", m_dir.file("r.csv"),
                                  "--settings", m_dir.file("weak.ini")});
    EXPECT_EQ(result.exitCode, 5) << result.output;
    EXPECT_NE(result.output.find("SORPEX.iniの設定値が正しくありません。\n[SnmpParam] V3AuthProtocol=SHA-1024\n"),
              std::string::npos)
        << result.output;
    EXPECT_FALSE(std::filesystem::exists(m_dir.file("r.csv")));
}
